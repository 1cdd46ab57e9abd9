#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>

typedef struct _GstElement GstElement;
class TrackBuffer;

// The GStreamer source element a pipeline reads a TrackBuffer through:
// "kavutracksrc", made by playbin for addresses kavu-track://STREAM.
//
// It is a random-access source (a small GstBaseSrc): every read names its
// own offset, so whatever the pipeline flushed or sought before, it gets
// the bytes it asks for. A read of bytes that have not arrived waits on
// the streaming thread until they do, and ends at once when the pipeline
// flushes or changes state.
class TrackSource
{
public:
    // Makes the element known to GStreamer (once, after gst_init).
    static void registerElement();
    // The address playbin makes a source for stream from.
    static QByteArray uri(quint64 stream);
    // The stream a source element of this kind was made for; 0 for any
    // other element.
    static quint64 streamOf(GstElement *element);
    // Makes source read buffer. waiting is told, on the streaming thread,
    // when a read starts waiting for bytes (true) and when it stops.
    static void attach(GstElement *source, const std::shared_ptr<TrackBuffer> &buffer,
                       std::function<void(bool waiting)> waiting);
};
