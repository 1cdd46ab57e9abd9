#include "feeds/FirstViewController.h"

#include "protocol/Endpoints.h"
#include "platform/ui/Autoresizing.h"

FirstViewController::FirstViewController(const PlatformServices &services, QWidget *parent)
    : FeedViewController(services, parent)
{
}

void FirstViewController::viewDidLoad()
{
    FeedViewController::viewDidLoad();
    createTextView(QRectF(0, 50, width(), height() - 50),
                   Autoresizing::FlexibleWidth | Autoresizing::FlexibleHeight);
    startConnection(Endpoints::newsFeed(services().bundle.serviceHostOrigin));
}
