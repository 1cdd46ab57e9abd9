#pragma once

#include "feeds/FeedViewController.h"

// The news screen: the service's news feed.
class FirstViewController : public FeedViewController
{
    Q_OBJECT

public:
    explicit FirstViewController(const PlatformServices &services, QWidget *parent = nullptr);

protected:
    void viewDidLoad() override;
};
