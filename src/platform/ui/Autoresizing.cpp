#include "platform/ui/Autoresizing.h"

#include "platform/ui/Geometry.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace Autoresizing {
namespace {

const char *const kMaskProperty = "kavuAutoresizingMask";
const char *const kFilterProperty = "kavuAutoresizingFilter";

struct Axis
{
    qreal position;
    qreal length;
};

Axis resizeAxis(qreal position, qreal length, qreal oldTotal, qreal newTotal, bool flexLead,
                bool flexSize, bool flexTrail)
{
    const qreal delta = newTotal - oldTotal;
    if (delta == 0 || (!flexLead && !flexSize && !flexTrail))
        return {position, length};
    const qreal lead = position;
    const qreal trail = oldTotal - position - length;
    qreal weightLead = flexLead ? qMax<qreal>(lead, 0) : 0;
    qreal weightSize = flexSize ? qMax<qreal>(length, 0) : 0;
    qreal weightTrail = flexTrail ? qMax<qreal>(trail, 0) : 0;
    qreal total = weightLead + weightSize + weightTrail;
    if (total <= 0) {
        weightLead = flexLead ? 1 : 0;
        weightSize = flexSize ? 1 : 0;
        weightTrail = flexTrail ? 1 : 0;
        total = weightLead + weightSize + weightTrail;
    }
    return {position + delta * weightLead / total, length + delta * weightSize / total};
}

// Installed once on every parent that has a child with a mask. It keeps the
// parent's last size itself: a hidden parent gets its resize events late and
// without the size it had before.
class ParentFilter : public QObject
{
public:
    explicit ParentFilter(QWidget *parent)
        : QObject(parent)
        , m_lastSize(parent->size())
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Resize)
            return false;
        auto *parentWidget = static_cast<QWidget *>(watched);
        const QSize oldSize = m_lastSize;
        const QSize newSize = parentWidget->size();
        m_lastSize = newSize;
        if (oldSize == newSize)
            return false;
        for (QObject *child : parentWidget->children()) {
            auto *view = qobject_cast<QWidget *>(child);
            if (!view || view->isWindow())
                continue;
            const int childMask = mask(view);
            if (childMask == None)
                continue;
            Geometry::setFrame(view, resizedFrame(Geometry::frame(view), oldSize, newSize, childMask));
        }
        return false;
    }

private:
    QSize m_lastSize;
};

} // namespace

QRectF resizedFrame(const QRectF &frame, const QSizeF &oldSize, const QSizeF &newSize, int mask)
{
    const Axis x = resizeAxis(frame.x(), frame.width(), oldSize.width(), newSize.width(),
                              mask & FlexibleLeftMargin, mask & FlexibleWidth,
                              mask & FlexibleRightMargin);
    const Axis y = resizeAxis(frame.y(), frame.height(), oldSize.height(), newSize.height(),
                              mask & FlexibleTopMargin, mask & FlexibleHeight,
                              mask & FlexibleBottomMargin);
    return QRectF(x.position, y.position, x.length, y.length);
}

void setMask(QWidget *view, int newMask)
{
    view->setProperty(kMaskProperty, newMask);
    QWidget *parent = view->parentWidget();
    if (!parent || newMask == None)
        return;
    if (!parent->property(kFilterProperty).toBool()) {
        parent->setProperty(kFilterProperty, true);
        parent->installEventFilter(new ParentFilter(parent));
    }
}

int mask(const QWidget *view)
{
    return view->property(kMaskProperty).toInt();
}

} // namespace Autoresizing
