#pragma once

#include "platform/ui/ViewController.h"

// An empty placeholder screen. It is not on a tab.
class PlayerViewController : public ViewController
{
    Q_OBJECT

public:
    using ViewController::ViewController;
};
