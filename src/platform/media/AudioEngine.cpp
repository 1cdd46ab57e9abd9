#include "platform/media/AudioEngine.h"

#include "platform/media/PlaybackPipeline.h"
#include "platform/media/PipelineOutput.h"
#include "platform/media/PlaybackPipelineWorker.h"

AudioEngine::AudioEngine(QObject *parent)
    : QObject(parent)
{
    m_readyAgain.setSingleShot(true);
    m_readyAgain.setTimerType(Qt::CoarseTimer);
    m_readyAgain.setInterval(kReadyAgainMs);
    connect(&m_readyAgain, &QTimer::timeout, this, &AudioEngine::prepare);
}

AudioEngine::~AudioEngine()
{
    delete m_ready;
}

QString AudioEngine::outputName()
{
    return PipelineOutput::outputName();
}

void AudioEngine::setOutputTimeoutMs(int ms)
{
    PlaybackPipelineWorker::setOutputTimeoutMs(ms);
}

void AudioEngine::prepare()
{
    if (m_ready)
        return;
    m_ready = new PlaybackPipeline(m_volume, m_muted);
    m_pipelines.append(m_ready);
}

PlaybackPipeline *AudioEngine::takePipeline()
{
    PlaybackPipeline *pipeline = m_ready;
    m_ready = nullptr;
    if (!pipeline) {
        pipeline = new PlaybackPipeline(m_volume, m_muted);
        m_pipelines.append(pipeline);
    }
    m_readyAgain.start();
    return pipeline;
}

void AudioEngine::recycle(PlaybackPipeline *pipeline)
{
    if (!pipeline)
        return;
    // One that failed is torn down: after an error playbin may play its
    // earlier source again instead of the next one.
    if (m_ready || pipeline->hasFailed()) {
        m_pipelines.removeAll(pipeline);
        delete pipeline;
        return;
    }
    pipeline->disconnect();
    pipeline->clear();
    m_ready = pipeline;
}

void AudioEngine::setVolume(double volume)
{
    volume = qBound(0.0, volume, 1.0);
    if (qFuzzyCompare(volume + 1.0, m_volume + 1.0))
        return;
    m_volume = volume;
    applyVolume();
    Q_EMIT volumeChanged(volume);
}

void AudioEngine::setMuted(bool muted)
{
    if (muted == m_muted)
        return;
    m_muted = muted;
    applyVolume();
    Q_EMIT mutedChanged(muted);
}

void AudioEngine::applyVolume()
{
    m_pipelines.removeAll(nullptr);
    for (const QPointer<PlaybackPipeline> &pipeline : std::as_const(m_pipelines))
        pipeline->setVolume(m_volume, m_muted);
}
