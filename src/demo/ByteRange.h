#pragma once

#include <QByteArray>

// A "Range: bytes=..." request header against a resource of a known size.
struct ByteRange
{
    enum class Kind {
        Whole,          // no usable single range: send everything (200)
        Partial,        // send first..last (206)
        Unsatisfiable,  // the range lies past the end (416)
    };

    Kind kind = Kind::Whole;
    qint64 first = 0;
    qint64 last = -1; // inclusive

    qint64 length() const { return last - first + 1; }

    // Understands one range of the forms "a-b", "a-" and "-n". A header of
    // another form, or with several ranges, is ignored (the whole resource).
    static ByteRange parse(const QByteArray &header, qint64 size);
};
