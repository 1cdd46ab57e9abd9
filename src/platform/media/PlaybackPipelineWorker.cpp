#include "platform/media/PlaybackPipelineWorker.h"

#include "platform/media/TrackBuffer.h"
#include "platform/media/TrackSource.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gst/audio/streamvolume.h>

#include <mutex>

namespace {

// Only the audio, with the output's own volume where it has one.
constexpr int kPlayFlags = (1 << 1) | (1 << 4);
// How often the position is read while a track plays (the screens show it
// once a second), and while a following track's first samples are awaited.
constexpr int kPollMs = 500;
constexpr int kSwitchPollMs = 20;
// How long a taken following track may wait for its bytes before it goes
// back to following at the end.
constexpr int kTakenWaitMs = 1000;
// How long a read may wait before playback holds still: the output keeps
// some 200 ms ready, and a link barely faster than the track makes many
// short waits that it rides out.
constexpr int kHoldAfterMs = 100;
// How often a sound output that went away is tried again.
constexpr int kOutputRetryMs = 200;

std::atomic<int> &outputTimeoutMs()
{
    static std::atomic<int> ms{60000};
    return ms;
}

} // namespace

PlaybackPipelineWorker::~PlaybackPipelineWorker()
{
    tearDown();
}

void PlaybackPipelineWorker::setOutputTimeoutMs(int ms)
{
    outputTimeoutMs() = ms;
}

void PlaybackPipelineWorker::build(double volume, bool muted)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] {
        gst_init(nullptr, nullptr);
        TrackSource::registerElement();
    });
    m_poll = new QTimer(this);
    m_poll->setTimerType(Qt::PreciseTimer);
    connect(m_poll, &QTimer::timeout, this, &PlaybackPipelineWorker::poll);
    m_holdAfter = new QTimer(this);
    m_holdAfter->setSingleShot(true);
    m_holdAfter->setInterval(kHoldAfterMs);
    connect(m_holdAfter, &QTimer::timeout, this, [this] {
        const quint64 current = currentStream();
        m_held = m_waitingStreams.value(current) > 0;
        applyState();
    });
    m_takenWait = new QTimer(this);
    m_takenWait->setSingleShot(true);
    m_takenWait->setInterval(kTakenWaitMs);
    connect(m_takenWait, &QTimer::timeout, this, &PlaybackPipelineWorker::onTakenWaitedTooLong);
    m_outputRetry = new QTimer(this);
    m_outputRetry->setInterval(kOutputRetryMs);
    connect(m_outputRetry, &QTimer::timeout, this, &PlaybackPipelineWorker::retryOutput);

    m_pipeline = gst_element_factory_make("playbin", nullptr);
    if (!m_pipeline)
        return;
    gst_object_ref_sink(m_pipeline);
    // The sound server's connection opens now, ahead of the first track;
    // where none answers yet, it is tried again when a track loads.
    if (m_output.openAhead())
        g_object_set(m_pipeline, "audio-sink", m_output.element(), nullptr);
    g_object_set(m_pipeline, "flags", kPlayFlags, nullptr);
    setVolume(volume, muted);
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, onBusMessage, this, nullptr);
    gst_object_unref(bus);
    g_signal_connect(m_pipeline, "source-setup", G_CALLBACK(onSourceSetup), this);
    g_signal_connect(m_pipeline, "about-to-finish", G_CALLBACK(onAboutToFinish), this);
    gst_element_set_state(m_pipeline, GST_STATE_READY);
    m_state = GST_STATE_READY;
}

void PlaybackPipelineWorker::load(const PipelineSource &source)
{
    m_playing = false;
    {
        const QMutexLocker lock(&m_lock);
        m_current = source;
        m_next = PipelineSource();
        m_taken = PipelineSource();
        m_switching = false;
        m_nextAtEnd = false;
    }
    m_takenWait->stop();
    m_output.freeFormat();
    m_output.setNames(source.names);
    m_prerollReported = false;
    m_reopenedAtLoad = false;
    m_lastPositionMs = 0;
    loadCurrent(-1);
}

void PlaybackPipelineWorker::loadCurrent(qint64 startMs)
{
    m_poll->stop();
    m_holdAfter->stop();
    m_loaded = false;
    m_held = false;
    m_prerolledSinceFlush = false;
    m_settling = false;
    m_pendingSeekMs = -1;
    PipelineSource current;
    {
        const QMutexLocker lock(&m_lock);
        current = m_current;
    }
    if (!m_pipeline) {
        report(PipelineReport::Kind::Failed, current.stream, QStringLiteral("GStreamer's playbin is not installed."));
        return;
    }
    // The streams of what played before end here. An output that went
    // away, or never opened, is opened anew: through NULL, which lets go of
    // its dead connection. So is a pipeline whose following source failed:
    // in READY playbin keeps that source's group, and tries it again at the
    // end of the current one, where it hangs.
    const bool reopen = !m_output.isOpen() || m_outputLost;
    bool throughNull = reopen;
    {
        const QMutexLocker lock(&m_lock);
        throughNull = throughNull || m_followingFailed;
        m_followingFailed = false;
    }
    gst_element_set_state(m_pipeline, throughNull ? GST_STATE_NULL : GST_STATE_READY);
    m_state = throughNull ? GST_STATE_NULL : GST_STATE_READY;
    ++m_run;
    m_currentGroupKnown = false;
    if (reopen) {
        GstElement *before = m_output.element();
        QString error;
        if (!m_output.open(&error)) {
            report(PipelineReport::Kind::Failed, current.stream, error);
            return;
        }
        if (m_output.element() != before)
            g_object_set(m_pipeline, "audio-sink", m_output.element(), nullptr);
        m_outputLost = false;
    }
    m_output.expectCurrentStream();
    const QByteArray uri = current.buffer ? TrackSource::uri(current.stream) : current.file.toEncoded();
    g_object_set(m_pipeline, "uri", uri.constData(), nullptr);
    m_loaded = true;
    if (startMs >= 0) {
        m_settling = true;
        m_pendingSeekMs = startMs;
    }
    gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
    m_state = GST_STATE_PAUSED;
    applyState();
}

void PlaybackPipelineWorker::setNext(const PipelineSource &source)
{
    {
        const QMutexLocker lock(&m_lock);
        if (source.isSet() && source.stream == m_taken.stream) {
            // Named again (new names): it stays taken.
            m_taken.names = source.names;
            m_output.setFollowingNames(source.names);
            return;
        }
        if (!m_taken.isSet()) {
            m_next = source;
            m_nextAtEnd = false;
            return;
        }
    }
    // Another one, or none: the one taken goes.
    untake(Untake::Replace, source);
}

void PlaybackPipelineWorker::setPlaying(bool playing)
{
    m_playing = playing;
    applyState();
}

void PlaybackPipelineWorker::applyState()
{
    if (!m_loaded || !m_pipeline || m_outputLost)
        return;
    // Waiting before its first samples (after a load or a seek), a track
    // cannot play anyway; once it could, it holds still rather than let the
    // output run dry.
    const bool play = m_playing && !m_settling && !(m_held && m_prerolledSinceFlush);
    const GstState target = play ? GST_STATE_PLAYING : GST_STATE_PAUSED;
    if (target != m_state) {
        m_state = target;
        gst_element_set_state(m_pipeline, target);
    }
    bool switching = false;
    {
        const QMutexLocker lock(&m_lock);
        switching = m_switching;
    }
    if (play) {
        const int interval = switching ? kSwitchPollMs : kPollMs;
        if (!m_poll->isActive() || m_poll->interval() != interval)
            m_poll->start(interval);
    } else if (m_poll->isActive()) {
        m_poll->stop();
        poll();
    }
}

bool PlaybackPipelineWorker::seekNow(qint64 ms)
{
    m_prerolledSinceFlush = false;
    m_lastPositionMs = qMax<qint64>(0, ms);
    m_sinceLastPosition.restart();
    return gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME,
                                   GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                   qMax<qint64>(0, ms) * GST_MSECOND);
}

void PlaybackPipelineWorker::seek(qint64 ms)
{
    ms = qMax<qint64>(0, ms);
    if (m_outputLost) {
        m_resumeAtMs = ms;
        return;
    }
    if (!m_loaded || !m_pipeline)
        return;
    bool taken = false;
    {
        const QMutexLocker lock(&m_lock);
        taken = m_taken.isSet();
    }
    // Sought, playbin would carry the following track there: the current
    // one goes on from there instead, and the following one follows it
    // again at its end.
    if (taken) {
        untake(Untake::Keep, PipelineSource(), ms);
        return;
    }
    // Before the track was read up to its first samples it cannot seek
    // yet: it does once it can.
    if (!seekNow(ms))
        m_pendingSeekMs = ms;
}

void PlaybackPipelineWorker::reload()
{
    if (!m_loaded || m_outputLost)
        return;
    bool taken = false;
    {
        const QMutexLocker lock(&m_lock);
        taken = m_taken.isSet();
    }
    if (taken)
        untake(Untake::Keep);
    else
        loadCurrent(currentPositionMs());
}

void PlaybackPipelineWorker::untake(Untake how, const PipelineSource &replacement, qint64 ms)
{
    if (ms < 0)
        ms = currentPositionMs();
    {
        const QMutexLocker lock(&m_lock);
        if (how == Untake::Replace)
            m_next = replacement;
        else if (how != Untake::Keep && how != Untake::KeepForEnd)
            m_next = PipelineSource();
        else if (m_taken.isSet())
            m_next = m_taken;
        m_nextAtEnd = how == Untake::KeepForEnd;
        m_taken = PipelineSource();
        m_switching = false;
    }
    m_takenWait->stop();
    m_output.setFollowingNames(TrackNames());
    loadCurrent(ms);
}

void PlaybackPipelineWorker::setNames(const TrackNames &names)
{
    {
        const QMutexLocker lock(&m_lock);
        m_current.names = names;
    }
    m_output.setNames(names);
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

void PlaybackPipelineWorker::clear()
{
    m_pendingSeekMs = -1;
    m_playing = false;
    m_loaded = false;
    m_settling = false;
    m_outputLost = false;
    if (m_poll) {
        m_poll->stop();
        m_takenWait->stop();
        m_outputRetry->stop();
    }
    {
        const QMutexLocker lock(&m_lock);
        m_current = PipelineSource();
        m_next = PipelineSource();
        m_taken = PipelineSource();
        m_switching = false;
    }
    m_waitingStreams.clear();
    m_output.setNames(TrackNames());
    // Through NULL, so that playbin lets go of the source that played (and
    // with it the track's file) now rather than at the next load; back in
    // READY its output has its sound server connection again.
    if (m_pipeline) {
        gst_element_set_state(m_pipeline, GST_STATE_NULL);
        m_state = gst_element_set_state(m_pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE ? GST_STATE_NULL
                                                                                                  : GST_STATE_READY;
    }
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
        m_current = PipelineSource();
        m_next = PipelineSource();
        m_taken = PipelineSource();
    }
    if (QThread::currentThread() == thread() && QThread::currentThread() != QCoreApplication::instance()->thread())
        QThread::currentThread()->quit();
}

void PlaybackPipelineWorker::report(PipelineReport::Kind kind, quint64 stream, const QString &error)
{
    PipelineReport report;
    report.applied = m_applied;
    report.kind = kind;
    report.stream = stream;
    report.error = error;
    Q_EMIT reported(report);
}

qint64 PlaybackPipelineWorker::currentPositionMs()
{
    bool switching = false;
    {
        const QMutexLocker lock(&m_lock);
        switching = m_switching;
    }
    gint64 position = -1;
    // While the following track's stream has started, playbin speaks of
    // it: the current one's place is where it was last read, and on.
    if (!switching && m_pipeline && m_prerolledSinceFlush
        && gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &position) && position >= 0) {
        return position / GST_MSECOND;
    }
    if (m_state == GST_STATE_PLAYING && m_sinceLastPosition.isValid())
        return m_lastPositionMs + m_sinceLastPosition.elapsed();
    return m_lastPositionMs;
}

void PlaybackPipelineWorker::poll()
{
    if (!m_pipeline || !m_loaded || m_settling)
        return;
    quint64 stream = 0;
    bool switching = false;
    {
        const QMutexLocker lock(&m_lock);
        stream = m_current.stream;
        switching = m_switching;
    }
    gint64 position = -1;
    gint64 duration = -1;
    const bool known = gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &position) && position >= 0;
    if (switching) {
        // The following track sounds once its position moves.
        if ((known && position > 0) || m_switchingFor.elapsed() > 3000)
            handOver();
        return;
    }
    PipelineReport report;
    report.applied = m_applied;
    report.kind = PipelineReport::Kind::Progress;
    report.stream = stream;
    report.playing = m_state == GST_STATE_PLAYING && m_prerolledSinceFlush;
    if (known) {
        report.positionMs = position / GST_MSECOND;
        m_lastPositionMs = report.positionMs;
        m_sinceLastPosition.restart();
    }
    if (gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &duration) && duration >= 0)
        report.durationMs = duration / GST_MSECOND;
    Q_EMIT reported(report);
}

void PlaybackPipelineWorker::handOver()
{
    PipelineReport report;
    {
        const QMutexLocker lock(&m_lock);
        if (!m_taken.isSet())
            return;
        report.previous = m_current.stream;
        m_current = m_taken;
        m_taken = PipelineSource();
        m_switching = false;
        report.stream = m_current.stream;
    }
    m_takenWait->stop();
    m_prerollReported = true;
    m_prerolledSinceFlush = true;
    m_lastPositionMs = 0;
    m_sinceLastPosition.restart();
    m_held = m_waitingStreams.value(report.stream) > 0;
    report.applied = m_applied;
    report.kind = PipelineReport::Kind::Advanced;
    Q_EMIT reported(report);
    applyState();
}

void PlaybackPipelineWorker::onStreamStarted(guint group)
{
    // The first stream of a load is the current track's; another one,
    // while a following track is taken, is that track's.
    if (!m_currentGroupKnown) {
        m_currentGroupKnown = true;
        m_currentGroup = group;
        return;
    }
    if (group != 0 && group == m_currentGroup)
        return;
    {
        const QMutexLocker lock(&m_lock);
        if (!m_taken.isSet() || m_switching)
            return;
        m_switching = true;
    }
    m_currentGroup = group;
    // The current track's last samples still sound: the hand-over is told
    // when the following one's first do.
    m_switchingFor.restart();
    m_lastPositionMs = currentPositionMs();
    applyState();
}

void PlaybackPipelineWorker::onEnded()
{
    PipelineSource next;
    quint64 previous = 0;
    {
        const QMutexLocker lock(&m_lock);
        previous = m_current.stream;
        if (m_next.isSet() && !m_taken.isSet()) {
            // Named too late (or its bytes too late) to follow sample for
            // sample: it starts now.
            next = m_next;
            m_current = m_next;
            m_next = PipelineSource();
            m_nextAtEnd = false;
        }
    }
    if (!next.isSet()) {
        m_poll->stop();
        poll();
        report(PipelineReport::Kind::Ended, previous);
        return;
    }
    m_output.freeFormat();
    m_output.setNames(next.names);
    m_lastPositionMs = 0;
    m_prerollReported = true;
    loadCurrent(-1);
    PipelineReport report;
    report.applied = m_applied;
    report.kind = PipelineReport::Kind::Advanced;
    report.previous = previous;
    report.stream = next.stream;
    Q_EMIT reported(report);
}

void PlaybackPipelineWorker::onError(quint64 stream, bool fromOutput, const QString &error)
{
    if (fromOutput) {
        onOutputLost(error);
        return;
    }
    quint64 current = 0;
    bool taken = false;
    {
        const QMutexLocker lock(&m_lock);
        current = m_current.stream;
        taken = stream != 0 && stream == m_taken.stream;
    }
    if (taken) {
        // The following track cannot be played: the current one plays on
        // to its end, which then takes the ordinary way.
        {
            const QMutexLocker lock(&m_lock);
            m_followingFailed = true;
        }
        report(PipelineReport::Kind::Failed, stream, error);
        untake(Untake::Drop);
        return;
    }
    // Errors of a stream that is gone, or the second of a failure, say
    // nothing more.
    if (!m_loaded || (stream != 0 && stream != current))
        return;
    // Before a track first sounds, an output whose sound server went away
    // while the pipeline waited fails it in whatever element links to it
    // (no fault of the track's): it is opened anew, once.
    if (stream == 0 && !m_prerollReported && !m_reopenedAtLoad) {
        onOutputLost(error);
        return;
    }
    m_loaded = false;
    m_poll->stop();
    report(PipelineReport::Kind::Failed, current, error);
}

void PlaybackPipelineWorker::onPrerolled()
{
    m_prerolledSinceFlush = true;
    const quint64 current = currentStream();
    if (!m_prerollReported) {
        m_prerollReported = true;
        report(PipelineReport::Kind::Prerolled, current);
    }
    // A seek asked for too early, or where a reload goes on, goes now; the
    // track plays once it is there.
    if (m_pendingSeekMs >= 0) {
        const qint64 ms = m_pendingSeekMs;
        m_pendingSeekMs = -1;
        if (seekNow(ms))
            return;
    }
    m_settling = false;
    applyState();
    poll();
}

void PlaybackPipelineWorker::onSourceWaiting(quint64 stream, bool waiting)
{
    // Counted: a source being torn down and its successor may overlap.
    int &reads = m_waitingStreams[stream];
    reads = qMax(0, reads + (waiting ? 1 : -1));
    if (reads == 0)
        m_waitingStreams.remove(stream);
    quint64 current = 0;
    quint64 taken = 0;
    {
        const QMutexLocker lock(&m_lock);
        current = m_current.stream;
        taken = m_taken.stream;
    }
    if (stream == current) {
        if (waiting) {
            if (!m_holdAfter->isActive() && !m_held)
                m_holdAfter->start();
        } else {
            m_holdAfter->stop();
            m_held = false;
            applyState();
        }
    } else if (stream == taken) {
        if (waiting)
            m_takenWait->start();
        else
            m_takenWait->stop();
    }
}

void PlaybackPipelineWorker::onTakenWaitedTooLong()
{
    bool switching = false;
    quint64 taken = 0;
    {
        const QMutexLocker lock(&m_lock);
        switching = m_switching;
        taken = m_taken.stream;
    }
    if (!taken || m_waitingStreams.value(taken) == 0)
        return;
    if (switching) {
        // It sounds next anyway: it waits as the current track.
        handOver();
        return;
    }
    // It follows at the current track's end instead, where it waits for
    // its bytes as a current track does.
    untake(Untake::KeepForEnd);
}

void PlaybackPipelineWorker::onOutputLost(const QString &error)
{
    if (m_outputLost)
        return;
    if (!m_loaded) {
        // Nothing plays: the next track opens the output anew.
        m_output.close();
        return;
    }
    if (!m_prerollReported && !m_reopenedAtLoad) {
        // The output was lost before this track sounded (it went away while
        // the pipeline waited): opened anew now, or the track fails at once,
        // saying why.
        m_reopenedAtLoad = true;
        m_output.close();
        loadCurrent(-1);
        return;
    }
    m_resumeAtMs = currentPositionMs();
    m_outputLost = true;
    m_outputError = error;
    m_outputLostFor.restart();
    m_poll->stop();
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    m_state = GST_STATE_NULL;
    m_output.close();
    reportOutputWaiting(currentStream(), true);
    m_outputRetry->start();
}

quint64 PlaybackPipelineWorker::currentStream()
{
    const QMutexLocker lock(&m_lock);
    return m_current.stream;
}

void PlaybackPipelineWorker::reportOutputWaiting(quint64 stream, bool waiting)
{
    PipelineReport report;
    report.applied = m_applied;
    report.kind = PipelineReport::Kind::OutputWaiting;
    report.stream = stream;
    report.waiting = waiting;
    report.positionMs = m_resumeAtMs;
    Q_EMIT reported(report);
}

void PlaybackPipelineWorker::retryOutput()
{
    if (!m_outputLost) {
        m_outputRetry->stop();
        return;
    }
    const quint64 current = currentStream();
    if (m_output.answersAgain()) {
        m_outputRetry->stop();
        reportOutputWaiting(current, false);
        // Back where it stopped; loading opens the output anew.
        loadCurrent(m_resumeAtMs);
        return;
    }
    if (m_outputLostFor.elapsed() < outputTimeoutMs())
        return;
    m_outputRetry->stop();
    m_outputLost = false;
    m_loaded = false;
    report(PipelineReport::Kind::Failed, current,
           QStringLiteral("The sound output went away and did not come back (%1)").arg(m_outputError));
}

quint64 PlaybackPipelineWorker::streamOfElement(GstObject *element)
{
    // Each source is read by a uridecodebin of its own, named "source"
    // within it: the one an element lies in is the stream it belongs to.
    quint64 stream = 0;
    for (GstObject *object = element ? GST_OBJECT(gst_object_ref(element)) : nullptr; object && !stream;) {
        if (GST_IS_ELEMENT(object)) {
            GstElementFactory *factory = gst_element_get_factory(GST_ELEMENT_CAST(object));
            if (factory && qstrcmp(GST_OBJECT_NAME(factory), "uridecodebin") == 0) {
                if (GstElement *source = gst_bin_get_by_name(GST_BIN(object), "source")) {
                    stream = TrackSource::streamOf(source);
                    gst_object_unref(source);
                }
            }
        }
        GstObject *parent = gst_object_get_parent(object);
        gst_object_unref(object);
        object = parent;
    }
    return stream;
}

GstBusSyncReply PlaybackPipelineWorker::onBusMessage(GstBus *, GstMessage *message, gpointer data)
{
    auto *self = static_cast<PlaybackPipelineWorker *>(data);
    // A message posted while an earlier load ended speaks of what no
    // longer plays.
    const quint64 run = self->m_run;
    const auto later = [self, run](auto call) {
        QMetaObject::invokeMethod(
            self,
            [self, run, call] {
                if (run == self->m_run)
                    call();
            },
            Qt::QueuedConnection);
    };
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STREAM_START: {
        guint group = 0;
        if (!gst_message_parse_group_id(message, &group))
            group = 0;
        later([self, group] { self->onStreamStarted(group); });
        break;
    }
    case GST_MESSAGE_EOS:
        later([self] { self->onEnded(); });
        break;
    case GST_MESSAGE_ERROR: {
        GError *error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        const QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("The track cannot be played.");
        if (error)
            g_error_free(error);
        const bool fromOutput = self->m_output.contains(GST_MESSAGE_SRC(message));
        const quint64 stream = fromOutput ? 0 : self->streamOfElement(GST_MESSAGE_SRC(message));
        later([self, stream, fromOutput, text] { self->onError(stream, fromOutput, text); });
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
        later([self] { self->onPrerolled(); });
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        later([self] { self->poll(); });
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
    const quint64 stream = TrackSource::streamOf(source);
    if (!stream)
        return;
    std::shared_ptr<TrackBuffer> buffer;
    {
        const QMutexLocker lock(&self->m_lock);
        if (stream == self->m_current.stream)
            buffer = self->m_current.buffer;
        else if (stream == self->m_taken.stream)
            buffer = self->m_taken.buffer;
    }
    if (!buffer)
        return;
    // The worker outlives its pipeline's streaming threads.
    TrackSource::attach(source, buffer, [self, stream](bool waiting) {
        QMetaObject::invokeMethod(
            self, [self, stream, waiting] { self->onSourceWaiting(stream, waiting); }, Qt::QueuedConnection);
    });
}

void PlaybackPipelineWorker::onAboutToFinish(GstElement *playbin, gpointer data)
{
    // On a streaming thread, as the current track's last bytes were read:
    // the following track, if one is named and has its first bytes,
    // follows it sample for sample.
    auto *self = static_cast<PlaybackPipelineWorker *>(data);
    const QMutexLocker lock(&self->m_lock);
    if (!self->m_next.isSet() || self->m_nextAtEnd || !self->m_next.buffer || !self->m_next.buffer->hasStart())
        return;
    self->m_taken = self->m_next;
    self->m_next = PipelineSource();
    self->m_output.setFollowingNames(self->m_taken.names);
    const QByteArray uri = TrackSource::uri(self->m_taken.stream);
    g_object_set(playbin, "uri", uri.constData(), nullptr);
}
