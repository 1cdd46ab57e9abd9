#include "platform/media/PipelineOutput.h"

#include <QByteArray>

namespace {

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

const char *factoryName(PipelineOutput::Kind kind)
{
    switch (kind) {
    case PipelineOutput::Kind::SoundServer:
        return "pulsesink";
    case PipelineOutput::Kind::SoundCard:
        return "alsasink";
    case PipelineOutput::Kind::Silent:
        return "fakesink";
    case PipelineOutput::Kind::None:
        break;
    }
    return nullptr;
}

bool silentAskedFor()
{
    return qEnvironmentVariable("KAVU_AUDIO_OUTPUT") == QLatin1String("silent");
}

// Any raw format, until the first track of a chain fixes it.
GstCaps *freeFormat()
{
    return gst_caps_from_string("audio/x-raw");
}

GstElement *makeSink(PipelineOutput::Kind kind)
{
    GstElement *sink = gst_element_factory_make(factoryName(kind), nullptr);
    if (!sink)
        return nullptr;
    if (kind == PipelineOutput::Kind::SoundServer) {
        // Named for the sound settings and marked as music. pulsesink shares
        // one connection among the sinks of a client name, and one that died
        // with its server stays shared while any sink holds it: each output
        // has a connection of its own, so that one opened anew is new.
        static std::atomic<int> outputs{0};
        const QByteArray client = "Kavu output " + QByteArray::number(++outputs);
        GstStructure *properties =
            gst_structure_new("properties", "media.role", G_TYPE_STRING, "music", "application.name", G_TYPE_STRING,
                              "Kavu", "application.icon_name", G_TYPE_STRING, "org.kavu.Kavu", nullptr);
        g_object_set(sink, "client-name", client.constData(), "stream-properties", properties, nullptr);
        gst_structure_free(properties);
    } else if (kind == PipelineOutput::Kind::Silent) {
        g_object_set(sink, "sync", TRUE, nullptr);
    }
    return sink;
}

} // namespace

PipelineOutput::~PipelineOutput()
{
    dropBin();
}

QString PipelineOutput::outputName()
{
    const QMutexLocker lock(&outputLock());
    return outputInUse();
}

void PipelineOutput::dropBin()
{
    if (!m_bin)
        return;
    gst_element_set_state(m_bin, GST_STATE_NULL);
    gst_object_unref(m_bin);
    m_bin = nullptr;
    m_filter = nullptr;
    m_kind = Kind::None;
    m_open = false;
}

bool PipelineOutput::build(Kind kind)
{
    GstElement *sink = makeSink(kind);
    GstElement *convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement *resample = gst_element_factory_make("audioresample", nullptr);
    GstElement *filter = gst_element_factory_make("capsfilter", nullptr);
    if (!sink || !convert || !resample || !filter) {
        for (GstElement *element : {sink, convert, resample, filter}) {
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        }
        return false;
    }
    GstCaps *caps = ::freeFormat();
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    GstElement *bin = gst_bin_new("kavu-output");
    gst_object_ref_sink(bin);
    gst_bin_add_many(GST_BIN(bin), convert, resample, filter, sink, nullptr);
    gst_element_link_many(convert, resample, filter, sink, nullptr);
    GstPad *input = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", input));
    gst_object_unref(input);
    GstPad *filterPad = gst_element_get_static_pad(filter, "sink");
    gst_pad_add_probe(filterPad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, onFormat, this, nullptr);
    gst_object_unref(filterPad);
    GstPad *sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(sinkPad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                      onSinkData, this, nullptr);
    gst_object_unref(sinkPad);
    if (gst_element_set_state(bin, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_object_unref(bin);
        return false;
    }
    dropBin();
    m_bin = bin;
    m_filter = filter;
    m_kind = kind;
    m_open = true;
    {
        const QMutexLocker lock(&m_lock);
        m_formatFixed = false;
    }
    const QMutexLocker lock(&outputLock());
    outputInUse() = QString::fromLatin1(factoryName(kind));
    return true;
}

bool PipelineOutput::openAhead()
{
    if (m_open)
        return true;
    return build(silentAskedFor() ? Kind::Silent : Kind::SoundServer);
}

bool PipelineOutput::open(QString *error)
{
    if (m_open && m_kind != Kind::SoundCard)
        return true;
    if (silentAskedFor())
        return build(Kind::Silent);
    // The sound server, which may have come since the output was made;
    // then the same bin opened again; then the sound card.
    if (build(Kind::SoundServer))
        return true;
    if (m_open)
        return true;
    if (build(Kind::SoundCard))
        return true;
    if (error)
        *error = QStringLiteral("No sound output could be opened: no sound server answered, and no sound card "
                                "could be opened.");
    return false;
}

void PipelineOutput::close()
{
    if (m_bin)
        gst_element_set_state(m_bin, GST_STATE_NULL);
    m_open = false;
}

bool PipelineOutput::answersAgain() const
{
    GstElement *probe = makeSink(m_kind == Kind::None ? Kind::SoundServer : m_kind);
    if (!probe)
        return false;
    gst_object_ref_sink(probe);
    const bool answers = gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(probe, GST_STATE_NULL);
    gst_object_unref(probe);
    return answers;
}

bool PipelineOutput::contains(GstObject *object) const
{
    return m_bin && object && (object == GST_OBJECT(m_bin) || gst_object_has_as_ancestor(object, GST_OBJECT(m_bin)));
}

void PipelineOutput::freeFormat()
{
    {
        const QMutexLocker lock(&m_lock);
        m_formatFixed = false;
        m_firstStream = true;
    }
    if (m_filter) {
        GstCaps *caps = ::freeFormat();
        g_object_set(m_filter, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }
}

void PipelineOutput::expectCurrentStream()
{
    const QMutexLocker lock(&m_lock);
    m_firstStream = true;
}

void PipelineOutput::setNames(const TrackNames &names)
{
    const QMutexLocker lock(&m_lock);
    m_names = names;
    m_tagsDue = true;
}

void PipelineOutput::setFollowingNames(const TrackNames &names)
{
    const QMutexLocker lock(&m_lock);
    m_followingNames = names;
}

GstPadProbeReturn PipelineOutput::onFormat(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    // The first track's format stays the output's until a new chain.
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS)
        return GST_PAD_PROBE_OK;
    auto *self = static_cast<PipelineOutput *>(data);
    {
        const QMutexLocker lock(&self->m_lock);
        if (self->m_formatFixed)
            return GST_PAD_PROBE_OK;
        self->m_formatFixed = true;
    }
    GstCaps *caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstElement *filter = gst_pad_get_parent_element(pad);
    if (filter) {
        g_object_set(filter, "caps", caps, nullptr);
        gst_object_unref(filter);
    }
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn PipelineOutput::onSinkData(GstPad *pad, GstPadProbeInfo *info, gpointer data)
{
    // The output names its stream after the track it plays: a tag event
    // before the first samples of each track, and again when the names
    // change.
    auto *self = static_cast<PipelineOutput *>(data);
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_STREAM_START) {
            const QMutexLocker lock(&self->m_lock);
            if (self->m_firstStream) {
                self->m_firstStream = false;
            } else {
                self->m_names = self->m_followingNames;
                self->m_followingNames = TrackNames();
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
        names = self->m_names;
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
