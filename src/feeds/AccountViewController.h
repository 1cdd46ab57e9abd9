#pragma once

#include "feeds/FeedViewController.h"

// The developers screen: the developers feed on the catalogue site.
class AccountViewController : public FeedViewController
{
    Q_OBJECT

public:
    explicit AccountViewController(const PlatformServices &services, QWidget *parent = nullptr);

    QString customURLKey() const { return m_customURLKey; }
    void setCustomURLKey(const QString &key) { m_customURLKey = key; }

    void loadTextFromWebsite();

protected:
    void viewDidLoad() override;

private:
    QString m_customURLKey;
};
