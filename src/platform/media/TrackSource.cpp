#include "platform/media/TrackSource.h"

#include "platform/media/TrackBuffer.h"

#include <QMutex>

#include <gst/base/gstbasesrc.h>
#include <gst/gst.h>

#include <atomic>
#include <mutex>

namespace {

const char kScheme[] = "kavu-track";

// What a source element holds, beside its GstBaseSrc.
struct SourceState
{
    QMutex lock;
    std::shared_ptr<TrackBuffer> buffer;
    std::function<void(bool)> waiting;
    QByteArray uri;
    quint64 stream = 0;
    // Set while the pipeline flushes or changes state: a waiting read ends.
    std::atomic<bool> stop{false};
};

struct KavuTrackSrc
{
    GstBaseSrc parent;
    SourceState *state;
};

struct KavuTrackSrcClass
{
    GstBaseSrcClass parentClass;
};

void kavu_track_src_uri_handler_init(gpointer iface, gpointer data);

G_DEFINE_TYPE_WITH_CODE(KavuTrackSrc, kavu_track_src, GST_TYPE_BASE_SRC,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_URI_HANDLER, kavu_track_src_uri_handler_init))

SourceState *stateOf(gpointer element)
{
    return static_cast<KavuTrackSrc *>(element)->state;
}

GstStaticPadTemplate srcTemplate = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

void kavu_track_src_init(KavuTrackSrc *self)
{
    self->state = new SourceState;
}

// The length is told by the track's first answer, which may come after the
// source started (GstBaseSrc asks for it only then): it is the source's
// own from the first read on, so that a reader never looks past the end.
void learnSize(GstBaseSrc *base, const TrackBuffer &buffer)
{
    const qint64 bytes = buffer.size();
    if (bytes < 0)
        return;
    GST_OBJECT_LOCK(base);
    const bool learnt = base->segment.duration != guint64(bytes);
    base->segment.duration = guint64(bytes);
    GST_OBJECT_UNLOCK(base);
    if (learnt)
        gst_element_post_message(GST_ELEMENT(base), gst_message_new_duration_changed(GST_OBJECT(base)));
}

void finalize(GObject *object)
{
    delete stateOf(object);
    G_OBJECT_CLASS(kavu_track_src_parent_class)->finalize(object);
}

gboolean isSeekable(GstBaseSrc *)
{
    return TRUE;
}

gboolean getSize(GstBaseSrc *base, guint64 *size)
{
    SourceState *state = stateOf(base);
    std::shared_ptr<TrackBuffer> buffer;
    {
        const QMutexLocker lock(&state->lock);
        buffer = state->buffer;
    }
    const qint64 bytes = buffer ? buffer->size() : -1;
    if (bytes < 0)
        return FALSE;
    *size = guint64(bytes);
    return TRUE;
}

GstFlowReturn create(GstBaseSrc *base, guint64 offset, guint length, GstBuffer **out)
{
    SourceState *state = stateOf(base);
    std::shared_ptr<TrackBuffer> buffer;
    std::function<void(bool)> waiting;
    {
        const QMutexLocker lock(&state->lock);
        buffer = state->buffer;
        waiting = state->waiting;
    }
    if (!buffer) {
        GST_ELEMENT_ERROR(base, RESOURCE, NOT_FOUND, ("No track to read."), (nullptr));
        return GST_FLOW_ERROR;
    }
    GstBuffer *bytes = gst_buffer_new_allocate(nullptr, length, nullptr);
    GstMapInfo map;
    gst_buffer_map(bytes, &map, GST_MAP_WRITE);
    qint64 count = 0;
    const TrackBuffer::Read result =
        buffer->read(qint64(offset), qint64(length), reinterpret_cast<char *>(map.data), &count, state->stop, waiting);
    gst_buffer_unmap(bytes, &map);
    switch (result) {
    case TrackBuffer::Read::Done:
        learnSize(base, *buffer);
        gst_buffer_set_size(bytes, gssize(count));
        GST_BUFFER_OFFSET(bytes) = offset;
        GST_BUFFER_OFFSET_END(bytes) = offset + guint64(count);
        *out = bytes;
        return GST_FLOW_OK;
    case TrackBuffer::Read::End:
        gst_buffer_unref(bytes);
        return GST_FLOW_EOS;
    case TrackBuffer::Read::Stopped:
        gst_buffer_unref(bytes);
        return GST_FLOW_FLUSHING;
    case TrackBuffer::Read::Failed:
        break;
    }
    gst_buffer_unref(bytes);
    GST_ELEMENT_ERROR(base, RESOURCE, READ, ("The track's file could not be read."), (nullptr));
    return GST_FLOW_ERROR;
}

std::shared_ptr<TrackBuffer> bufferOf(GstBaseSrc *base)
{
    SourceState *state = stateOf(base);
    const QMutexLocker lock(&state->lock);
    return state->buffer;
}

gboolean unlock(GstBaseSrc *base)
{
    stateOf(base)->stop = true;
    if (const std::shared_ptr<TrackBuffer> buffer = bufferOf(base))
        buffer->wakeReaders();
    return TRUE;
}

gboolean unlockStop(GstBaseSrc *base)
{
    stateOf(base)->stop = false;
    return TRUE;
}

void kavu_track_src_class_init(KavuTrackSrcClass *klass)
{
    G_OBJECT_CLASS(klass)->finalize = finalize;
    GstElementClass *element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(element, "Kavu track source", "Source/File",
                                          "Reads a track as it downloads", "Kavu");
    GstBaseSrcClass *base = GST_BASE_SRC_CLASS(klass);
    base->is_seekable = isSeekable;
    base->get_size = getSize;
    base->create = create;
    base->unlock = unlock;
    base->unlock_stop = unlockStop;
}

GstURIType uriType(GType)
{
    return GST_URI_SRC;
}

const gchar *const *uriProtocols(GType)
{
    static const gchar *const protocols[] = {kScheme, nullptr};
    return protocols;
}

gchar *getUri(GstURIHandler *handler)
{
    SourceState *state = stateOf(handler);
    const QMutexLocker lock(&state->lock);
    return state->uri.isEmpty() ? nullptr : g_strdup(state->uri.constData());
}

gboolean setUri(GstURIHandler *handler, const gchar *uri, GError **error)
{
    const QByteArray text(uri);
    const QByteArray prefix = QByteArray(kScheme) + "://";
    bool ok = false;
    const quint64 stream = text.startsWith(prefix) ? text.mid(prefix.size()).toULongLong(&ok) : 0;
    if (!ok || stream == 0) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_URI, "Not a track address: %s", uri);
        return FALSE;
    }
    SourceState *state = stateOf(handler);
    const QMutexLocker lock(&state->lock);
    state->uri = text;
    state->stream = stream;
    return TRUE;
}

void kavu_track_src_uri_handler_init(gpointer iface, gpointer)
{
    auto *handler = static_cast<GstURIHandlerInterface *>(iface);
    handler->get_type = uriType;
    handler->get_protocols = uriProtocols;
    handler->get_uri = getUri;
    handler->set_uri = setUri;
}

} // namespace

void TrackSource::registerElement()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        gst_element_register(nullptr, "kavutracksrc", GST_RANK_PRIMARY, kavu_track_src_get_type());
    });
}

QByteArray TrackSource::uri(quint64 stream)
{
    return QByteArray(kScheme) + "://" + QByteArray::number(stream);
}

quint64 TrackSource::streamOf(GstElement *element)
{
    if (!element || !G_TYPE_CHECK_INSTANCE_TYPE(element, kavu_track_src_get_type()))
        return 0;
    SourceState *state = stateOf(element);
    const QMutexLocker lock(&state->lock);
    return state->stream;
}

void TrackSource::attach(GstElement *source, const std::shared_ptr<TrackBuffer> &buffer,
                         std::function<void(bool)> waiting)
{
    if (!streamOf(source))
        return;
    SourceState *state = stateOf(source);
    const QMutexLocker lock(&state->lock);
    state->buffer = buffer;
    state->waiting = std::move(waiting);
}
