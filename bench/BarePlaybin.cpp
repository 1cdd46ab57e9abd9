#include "BarePlaybin.h"

#include "SoundServer.h"

#include <gst/gst.h>

#include <mutex>
#include <thread>

namespace {

void play(const std::shared_ptr<BarePlaybin::State> &state)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { gst_init(nullptr, nullptr); });
    GstElement *playbin = gst_element_factory_make("playbin", nullptr);
    g_object_set(playbin, "audio-sink", gst_element_factory_make("pulsesink", nullptr), "flags", 1 << 1, "uri",
                 state->uri.toUtf8().constData(), nullptr);
    if (!state->next.isEmpty()) {
        g_signal_connect(playbin, "about-to-finish", G_CALLBACK(+[](GstElement *element, gpointer data) {
                             auto *about = static_cast<BarePlaybin::State *>(data);
                             if (!about->nextSet.exchange(true))
                                 g_object_set(element, "uri", about->next.toUtf8().constData(), nullptr);
                         }),
                         state.get());
    }
    GstBus *bus = gst_element_get_bus(playbin);
    state->startedNs = SoundServer::nowNs();
    gst_element_set_state(playbin, GST_STATE_PLAYING);
    while (!state->stop) {
        GstMessage *message = gst_bus_timed_pop_filtered(bus, state->pollMs * GST_MSECOND,
                                                         GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message) {
            state->finished = true;
            gst_message_unref(message);
        }
        gint64 position = 0;
        if (gst_element_query_position(playbin, GST_FORMAT_TIME, &position))
            state->positionMs = position / GST_MSECOND;
    }
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(playbin);
}

} // namespace

BarePlaybin::BarePlaybin(const QString &uri, const QString &next, int pollMs)
    : m_state(std::make_shared<State>())
{
    m_state->uri = uri;
    m_state->next = next;
    m_state->pollMs = pollMs;
    std::thread([state = m_state] { play(state); }).detach();
}

BarePlaybin::~BarePlaybin()
{
    m_state->stop = true;
}
