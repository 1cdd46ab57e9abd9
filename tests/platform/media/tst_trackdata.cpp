#include "LocalHttpServer.h"
#include "platform/media/ByteRanges.h"
#include "platform/media/TrackBuffer.h"
#include "platform/media/TrackDownload.h"
#include "platform/media/TrackIdentity.h"
#include "platform/net/UrlLoader.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

// A track's bytes on their way: the ranges that arrived, the buffer that
// holds them for a pipeline's reads, and the download that fills it from a
// scriptable server.
class TrackDataTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rangesMergeAndTellTheGaps();
    void aReadWaitsForItsBytes();
    void validatorsNameOneTrack();
    void resumedDownloads_data();
    void resumedDownloads();

private:
    QTemporaryDir m_folder;
};

namespace {

QByteArray readAll(TrackBuffer &buffer)
{
    const std::atomic<bool> stop{false};
    QByteArray bytes(int(qMax<qint64>(0, buffer.size())), '\0');
    qint64 count = 0;
    buffer.read(0, bytes.size(), bytes.data(), &count, stop, {});
    return bytes.left(int(count));
}

QByteArray bytesOf(char seed, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i % 97);
    return bytes;
}

} // namespace

void TrackDataTest::rangesMergeAndTellTheGaps()
{
    ByteRanges ranges;
    ranges.add(100, 200);
    ranges.add(300, 400);
    ranges.add(200, 250); // touches the first: one range
    QCOMPARE(ranges.firstMissing(0), qint64(0));
    QCOMPARE(ranges.firstMissing(120), qint64(250));
    QCOMPARE(ranges.nextArrived(250, 1000), qint64(300));
    QVERIFY(ranges.contains(100, 250));
    QVERIFY(!ranges.contains(100, 260));
    ranges.add(240, 310); // bridges the gap
    QCOMPARE(ranges.firstMissing(100), qint64(400));
    QCOMPARE(ranges.total(), qint64(300));
    QCOMPARE(ranges.nextArrived(400, 1000), qint64(1000));
}

void TrackDataTest::aReadWaitsForItsBytes()
{
    QString error;
    std::shared_ptr<TrackBuffer> buffer = TrackBuffer::create(m_folder.path(), &error);
    QVERIFY2(buffer, qPrintable(error));
    // Told on the reading thread: counted, the last offset kept.
    std::atomic<int> starts{0};
    std::atomic<int> ends{0};
    std::atomic<qint64> waitedAt{-1};
    buffer->setWaitListener([&](bool waiting, qint64 offset) {
        waitedAt = offset;
        ++(waiting ? starts : ends);
    });
    buffer->write(0, "abcd");
    // A read of bytes still to come waits on its thread, and gets exactly
    // the bytes at its offset when they are written.
    std::atomic<bool> stop{false};
    char data[4] = {};
    qint64 count = 0;
    TrackBuffer::Read result = TrackBuffer::Read::Failed;
    std::thread reader([&] { result = buffer->read(4, 4, data, &count, stop, {}); });
    QTRY_COMPARE(starts.load(), 1);
    QCOMPARE(waitedAt.load(), qint64(4));
    buffer->write(4, "efgh");
    reader.join();
    QCOMPARE(result, TrackBuffer::Read::Done);
    QCOMPARE(QByteArray(data, int(count)), QByteArray("efgh"));
    QCOMPARE(ends.load(), 1);
    // Told to stop (a flush), a waiting read ends at once; a track that
    // changed ends it too, and forgets what came.
    std::thread stopped([&] { result = buffer->read(8, 4, data, &count, stop, {}); });
    QTRY_COMPARE(starts.load(), 2);
    stop = true;
    buffer->wakeReaders();
    stopped.join();
    QCOMPARE(result, TrackBuffer::Read::Stopped);
    stop = false;
    std::thread restarted([&] { result = buffer->read(8, 4, data, &count, stop, {}); });
    QTRY_COMPARE(starts.load(), 3);
    buffer->restart();
    restarted.join();
    QCOMPARE(result, TrackBuffer::Read::Stopped);
    QCOMPARE(buffer->firstMissing(0), qint64(0));
    // At its end a read ends, short where the end cuts it.
    buffer->write(0, "abcdef");
    buffer->setSize(6);
    QCOMPARE(buffer->read(4, 4, data, &count, stop, {}), TrackBuffer::Read::Done);
    QCOMPARE(count, qint64(2));
    QCOMPARE(buffer->read(6, 4, data, &count, stop, {}), TrackBuffer::Read::End);
    QCOMPARE(ends.load(), 3);
    buffer->setWaitListener(nullptr);
}

void TrackDataTest::validatorsNameOneTrack()
{
    const TrackIdentity first = TrackIdentity::of("\"v1\"", "Tue, 08 Dec 2026 10:00:00 GMT", 1000);
    QCOMPARE(first.ifRange(), QByteArray("\"v1\""));
    QVERIFY(first.sameTrack(TrackIdentity::of("\"v1\"", QByteArray(), -1)));
    QVERIFY(!first.sameTrack(TrackIdentity::of("\"v2\"", QByteArray(), 1000)));
    QVERIFY(!first.sameTrack(TrackIdentity::of(QByteArray(), QByteArray(), 999)));
    // A weak ETag may not ask for a part: the date does.
    QCOMPARE(TrackIdentity::of("W/\"v1\"", "Tue, 08 Dec 2026 10:00:00 GMT", 1).ifRange(),
             QByteArray("Tue, 08 Dec 2026 10:00:00 GMT"));
}

void TrackDataTest::resumedDownloads_data()
{
    QTest::addColumn<QString>("later"); // how the server answers after the break
    QTest::addColumn<bool>("changed");
    QTest::newRow("the part asked for") << "part" << false;
    QTest::newRow("the whole track (Range ignored)") << "whole" << false;
    QTest::newRow("another track, whole (If-Range)") << "whole" << true;
    QTest::newRow("a part of another track") << "part" << true;
}

void TrackDataTest::resumedDownloads()
{
    // The first answer breaks a third of the way; the download asks for the
    // rest of that very track. Whatever the server answers, the buffer ends
    // up holding one track whole: never two spliced.
    QFETCH(QString, later);
    QFETCH(bool, changed);
    const QByteArray before = bytesOf('a', 90000);
    const QByteArray after = bytesOf('A', 80000);
    LocalHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([&](const HttpRequest &) {
        const bool first = server.requests().size() <= 1;
        HttpReply reply;
        reply.contentType = "audio/wav";
        reply.body = changed && !first ? after : before;
        reply.headers.append(qMakePair(QByteArray("ETag"), QByteArray(changed && !first ? "\"v2\"" : "\"v1\"")));
        reply.acceptRanges = later == QLatin1String("part");
        if (first)
            reply.breakAfter = before.size() / 3;
        return reply;
    });
    QString error;
    std::shared_ptr<TrackBuffer> buffer = TrackBuffer::create(m_folder.path(), &error);
    UrlLoader loader;
    TrackDownload download(&loader, server.url(QStringLiteral("/t.wav")), buffer, 1 << 20);
    QSignalSpy restarted(&download, &TrackDownload::restarted);
    QSignalSpy failed(&download, &TrackDownload::failed);
    download.start();
    const QByteArray expected = changed ? after : before;
    QTRY_VERIFY_WITH_TIMEOUT(buffer->size() == expected.size() && buffer->firstMissing(0) == expected.size(), 10000);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(readAll(*buffer), expected);
    QCOMPARE(restarted.count(), changed ? 1 : 0);
    const QList<HttpRequest> requests = server.requests();
    QCOMPARE(requests.at(1).headers.value("range"),
             "bytes=" + QByteArray::number(before.size() / 3) + '-' + QByteArray::number(before.size() - 1));
    QCOMPARE(requests.at(1).headers.value("if-range"), QByteArray("\"v1\""));
}

QTEST_MAIN(TrackDataTest)
#include "tst_trackdata.moc"
