#include "platform/media/PlaybackPipelineWorker.h"

#include "platform/media/TrackBuffer.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gst/app/gstappsrc.h>
#include <gst/audio/streamvolume.h>

#include <mutex>

namespace {

// Only the audio, with the output's own volume where it has one.
constexpr int kPlayFlags = (1 << 1) | (1 << 4);
// How often the position is read while the pipeline plays.
constexpr int kPollMs = 50;

QMutex &outputLock()
{
    static QMutex lock;
    return lock;
}

QString &outputInUse()
{
    static QString name;
    return name;
}

} // namespace

PlaybackPipelineWorker::~PlaybackPipelineWorker()
{
    tearDown();
}

QString PlaybackPipelineWorker::outputName()
{
    const QMutexLocker lock(&outputLock());
    return outputInUse();
}

GstElement *PlaybackPipelineWorker::makeOutput()
{
    // The desktop's sound server, where one runs: the stream is named for
    // its sound settings and marked as music. Without one, the sound card
    // itself; without that, an output that keeps time and plays nothing.
    GstElement *output = nullptr;
    for (const char *name : {"pulsesink", "alsasink", "fakesink"}) {
        output = gst_element_factory_make(name, nullptr);
        if (!output)
            continue;
        if (qstrcmp(name, "pulsesink") == 0) {
            GstStructure *properties = gst_structure_new(
                "properties", "media.role", G_TYPE_STRING, "music", "application.name", G_TYPE_STRING, "Kavu",
                "application.icon_name", G_TYPE_STRING, "org.kavu.Kavu", nullptr);
            g_object_set(output, "client-name", "Kavu", "stream-properties", properties, nullptr);
            gst_structure_free(properties);
        } else if (qstrcmp(name, "fakesink") == 0) {
            g_object_set(output, "sync", TRUE, nullptr);
        }
        if (gst_element_set_state(output, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
            const QMutexLocker lock(&outputLock());
            outputInUse() = QString::fromLatin1(name);
            return output;
        }
        gst_element_set_state(output, GST_STATE_NULL);
        gst_object_unref(output);
        output = nullptr;
    }
    return nullptr;
}

void PlaybackPipelineWorker::build(double volume, bool muted)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { gst_init(nullptr, nullptr); });
    m_poll = new QTimer(this);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &PlaybackPipelineWorker::poll);

    m_pipeline = gst_element_factory_make("playbin", nullptr);
    if (!m_pipeline)
        return;
    gst_object_ref_sink(m_pipeline);
    GstElement *output = makeOutput();
    if (output) {
        GstPad *pad = gst_element_get_static_pad(output, "sink");
        gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          onOutputData, this, nullptr);
        gst_object_unref(pad);
        g_object_set(m_pipeline, "audio-sink", output, nullptr);
    }
    g_object_set(m_pipeline, "flags", kPlayFlags, nullptr);
    setVolume(volume, muted);
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, this, nullptr);
    gst_object_unref(bus);
    g_signal_connect(m_pipeline, "source-setup", G_CALLBACK(onSourceSetup), this);
    g_signal_connect(m_pipeline, "about-to-finish", G_CALLBACK(onAboutToFinish), this);
    // Ready: the output's connection to the sound server is open.
    gst_element_set_state(m_pipeline, GST_STATE_READY);
}

void PlaybackPipelineWorker::load(quint64 generation, const std::shared_ptr<TrackBuffer> &buffer, const QUrl &file,
                                  const TrackNames &names)
{
    m_pendingSeekMs = -1;
    m_playing = false;
    m_poll->stop();
    if (!m_pipeline) {
        m_generation = generation;
        report(PipelineReport::Kind::Failed, QStringLiteral("GStreamer's playbin is not installed."));
        return;
    }
    // The streams of what played before end here; their reports, if any
    // are still on their way, belong to the earlier generation. (The
    // source that played goes when the new one replaces it.)
    gst_element_set_state(m_pipeline, GST_STATE_READY);
    {
        const QMutexLocker lock(&m_lock);
        m_sourceBuffer = buffer;
        m_next.reset();
        m_nextNames = TrackNames();
        m_queuedNames = TrackNames();
        m_outputNames = names;
        m_firstStream = true;
    }
    m_generation = generation;
    m_loaded = true;
    const QByteArray uri = buffer ? QByteArrayLiteral("appsrc://") : file.toEncoded();
    g_object_set(m_pipeline, "uri", uri.constData(), nullptr);
    gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
}

void PlaybackPipelineWorker::setNext(const std::shared_ptr<TrackBuffer> &buffer, const TrackNames &names)
{
    const QMutexLocker lock(&m_lock);
    m_next = buffer;
    m_nextNames = names;
}

void PlaybackPipelineWorker::setPlaying(bool playing)
{
    m_playing = playing;
    applyState();
}

void PlaybackPipelineWorker::applyState()
{
    if (!m_loaded || !m_pipeline)
        return;
    gst_element_set_state(m_pipeline, m_playing ? GST_STATE_PLAYING : GST_STATE_PAUSED);
    if (m_playing) {
        m_poll->start();
    } else {
        m_poll->stop();
        poll();
    }
}

void PlaybackPipelineWorker::seek(qint64 ms)
{
    if (!m_loaded || !m_pipeline)
        return;
    // Before the track was read up to its first samples it cannot seek
    // yet: it does once it can.
    const bool done = gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME,
                                              GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                              qMax<qint64>(0, ms) * GST_MSECOND);
    m_pendingSeekMs = done ? -1 : ms;
}

void PlaybackPipelineWorker::setNames(const TrackNames &names)
{
    const QMutexLocker lock(&m_lock);
    m_outputNames = names;
    m_tagsDue = true;
}

void PlaybackPipelineWorker::setVolume(double volume, bool muted)
{
    if (!m_pipeline)
        return;
    // The volume as sound settings show it (cubic), whatever the output.
    gst_stream_volume_set_volume(GST_STREAM_VOLUME(m_pipeline), GST_STREAM_VOLUME_FORMAT_CUBIC,
                                 qBound(0.0, volume, 1.0));
    gst_stream_volume_set_mute(GST_STREAM_VOLUME(m_pipeline), muted);
}

void PlaybackPipelineWorker::clear(quint64 generation)
{
    m_pendingSeekMs = -1;
    m_playing = false;
    m_loaded = false;
    if (m_poll)
        m_poll->stop();
    // Through NULL, so that playbin lets go of the source that played (and
    // with it the track's file) now rather than at the next load; back in
    // READY its output has its sound server connection again.
    if (m_pipeline) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        gst_element_set_state(m_pipeline, GST_STATE_READY);
    }
    const QMutexLocker lock(&m_lock);
    m_sourceBuffer.reset();
    m_next.reset();
    m_generation = generation;
}

void PlaybackPipelineWorker::tearDown()
{
    if (m_pipeline) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        GstBus *bus = gst_element_get_bus(m_pipeline);
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
        gst_object_unref(m_pipeline);
        m_pipeline = nullptr;
    }
    {
        const QMutexLocker lock(&m_lock);
        m_sourceBuffer.reset();
        m_next.reset();
    }
    if (QThread::currentThread() == thread() && QThread::currentThread() != QCoreApplication::instance()->thread())
        QThread::currentThread()->quit();
}

void PlaybackPipelineWorker::report(PipelineReport::Kind kind, const QString &error)
{
    PipelineReport report;
    report.generation = m_generation;
    report.applied = m_applied;
    report.kind = kind;
    report.error = error;
    Q_EMIT reported(report);
}

void PlaybackPipelineWorker::poll()
{
    if (!m_pipeline || !m_loaded)
        return;
    PipelineReport report;
    report.generation = m_generation;
    report.applied = m_applied;
    report.kind = PipelineReport::Kind::Progress;
    gint64 position = -1;
    gint64 duration = -1;
    if (gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &position) && position >= 0)
        report.positionMs = position / GST_MSECOND;
    if (gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &duration) && duration >= 0)
        report.durationMs = duration / GST_MSECOND;
    Q_EMIT reported(report);
}

GstBusSyncReply PlaybackPipelineWorker::onBusMessage(GstBus *, GstMessage *message, gpointer data)
{
    auto *self = static_cast<PlaybackPipelineWorker *>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STREAM_START:
        self->report(PipelineReport::Kind::StreamStarted);
        break;
    case GST_MESSAGE_EOS:
        self->report(PipelineReport::Kind::Ended);
        break;
    case GST_MESSAGE_ERROR: {
        GError *error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        self->report(PipelineReport::Kind::Failed,
                     error ? QString::fromUtf8(error->message) : QStringLiteral("The track cannot be played."));
        if (error)
            g_error_free(error);
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
        self->report(PipelineReport::Kind::Prerolled);
        // A seek asked for too early goes now; the position is read anew.
        QMetaObject::invokeMethod(
            self,
            [self] {
                if (self->m_pendingSeekMs >= 0)
                    self->seek(self->m_pendingSeekMs);
                self->poll();
            },
            Qt::QueuedConnection);
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        QMetaObject::invokeMethod(self, [self] { self->poll(); }, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    // Dropped here, the message is ours to free (with its hold on the
    // element that sent it).
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void PlaybackPipelineWorker::onSourceSetup(GstElement *, GstElement *source, gpointer data)
{
    auto *self = static_cast<PlaybackPipelineWorker *>(data);
    if (!GST_IS_APP_SRC(source))
        return;
    std::shared_ptr<TrackBuffer> buffer;
    {
        const QMutexLocker lock(&self->m_lock);
        buffer = self->m_sourceBuffer;
    }
    if (buffer)
        TrackBuffer::attach(buffer, GST_APP_SRC(source));
}

void PlaybackPipelineWorker::onAboutToFinish(GstElement *playbin, gpointer data)
{
    // On a streaming thread, as the current track's last bytes were read:
    // the next track, if one is named, follows it sample for sample.
    auto *self = static_cast<PlaybackPipelineWorker *>(data);
    {
        const QMutexLocker lock(&self->m_lock);
        if (!self->m_next)
            return;
        self->m_sourceBuffer = self->m_next;
        self->m_next.reset();
        self->m_queuedNames = self->m_nextNames;
        self->m_nextNames = TrackNames();
        g_object_set(playbin, "uri", "appsrc://", nullptr);
    }
    self->report(PipelineReport::Kind::NextTaken);
}

GstPadProbeReturn PlaybackPipelineWorker::onOutputData(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    // The output names its stream after the track it plays: a tag event
    // before the first samples of each track, and again when the names
    // change.
    auto *self = static_cast<PlaybackPipelineWorker *>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_STREAM_START) {
            const QMutexLocker lock(&self->m_lock);
            if (self->m_firstStream) {
                self->m_firstStream = false;
            } else {
                self->m_outputNames = self->m_queuedNames;
                self->m_queuedNames = TrackNames();
            }
            self->m_tagsDue = true;
        }
        return GST_PAD_PROBE_OK;
    }
    if (!self->m_tagsDue.exchange(false))
        return GST_PAD_PROBE_OK;
    TrackNames names;
    {
        const QMutexLocker lock(&self->m_lock);
        names = self->m_outputNames;
    }
    if (names.isEmpty())
        return GST_PAD_PROBE_OK;
    GstTagList *tags = gst_tag_list_new_empty();
    if (!names.title.isEmpty())
        gst_tag_list_add(tags, GST_TAG_MERGE_REPLACE, GST_TAG_TITLE, names.title.toUtf8().constData(), nullptr);
    if (!names.artist.isEmpty())
        gst_tag_list_add(tags, GST_TAG_MERGE_REPLACE, GST_TAG_ARTIST, names.artist.toUtf8().constData(), nullptr);
    gst_pad_send_event(pad, gst_event_new_tag(tags));
    return GST_PAD_PROBE_OK;
}
