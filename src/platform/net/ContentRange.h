#pragma once

#include <QByteArray>
#include <QtGlobal>

// A response's Content-Range header, "bytes FIRST-LAST/TOTAL" (TOTAL may be
// "*"): which part of a resource the body holds.
struct ContentRange
{
    qint64 first = -1; // -1: no usable header
    qint64 last = -1;
    qint64 total = -1; // -1: not told

    bool isValid() const { return first >= 0; }

    // Anything else than a well-formed header of non-negative numbers with
    // first <= last (and last < total where told) gives an invalid range.
    static ContentRange parse(const QByteArray &header);
};
