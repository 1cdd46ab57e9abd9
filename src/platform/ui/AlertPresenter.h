#pragma once

class AlertView;

// Shows alerts. It takes ownership of each alert it is given.
class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;
    virtual void show(AlertView *alert) = 0;
};
