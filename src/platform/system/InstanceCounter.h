#pragma once

// Counts the live objects of a class that holds one as a member, so that a
// long run can show that players and requests do not pile up. GUI thread
// only.
template<typename T>
class InstanceCounter
{
public:
    InstanceCounter() { ++s_live; }
    InstanceCounter(const InstanceCounter &) { ++s_live; }
    InstanceCounter &operator=(const InstanceCounter &) = default;
    ~InstanceCounter() { --s_live; }

    static int live() { return s_live; }

private:
    static inline int s_live = 0;
};
