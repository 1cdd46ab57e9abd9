#include "platform/ui/NavigationBar.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/NavigationItem.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int kSideMargin = 8;
constexpr int kSpacing = 8;
} // namespace

NavigationBar::NavigationBar(QWidget *parent)
    : QWidget(parent)
    , m_tintColor(QColor(0, 122, 255))
{
    setAccessibleName(QStringLiteral("Navigation bar"));
    m_titleLabel = new QLabel(this);
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_titleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.1);
    m_titleLabel->setFont(titleFont);
    QPalette palette = m_titleLabel->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    m_titleLabel->setPalette(palette);
}

void NavigationBar::setItems(const QList<NavigationItem *> &items)
{
    for (const QPointer<NavigationItem> &old : std::as_const(m_items)) {
        if (old && !items.contains(old.data())) {
            disconnect(old, nullptr, this, nullptr);
            if (old->parent() == this)
                old->deleteLater();
        }
    }
    m_items.clear();
    for (NavigationItem *item : items) {
        m_items.append(item);
        if (!item->parent())
            item->setParent(this);
        connect(item, &NavigationItem::changed, this, &NavigationBar::rebuild,
                Qt::UniqueConnection);
    }
    rebuild();
}

QList<NavigationItem *> NavigationBar::items() const
{
    QList<NavigationItem *> result;
    for (const QPointer<NavigationItem> &item : m_items) {
        if (item)
            result.append(item);
    }
    return result;
}

NavigationItem *NavigationBar::topItem() const
{
    const QList<NavigationItem *> all = items();
    return all.isEmpty() ? nullptr : all.last();
}

void NavigationBar::setTintColor(const QColor &color)
{
    m_tintColor = color;
    rebuild();
}

void NavigationBar::showItem(QPointer<QPushButton> &button, QPointer<BarButtonItem> &shown,
                             BarButtonItem *item)
{
    shown = item;
    if (!item) {
        if (button) {
            delete button;
            Q_EMIT buttonsChanged();
        }
        return;
    }
    if (button && button->text() == item->title())
        return;
    delete button;
    button = new QPushButton(item->title(), this);
    button->setFlat(true);
    button->setAccessibleName(item->title());
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &QPushButton::clicked, this, [&shown] {
        if (BarButtonItem *current = shown)
            current->trigger();
    });
    button->show();
    Q_EMIT buttonsChanged();
}

void NavigationBar::rebuild()
{
    if (m_titleView && m_titleView->parentWidget() == this)
        m_titleView->hide();
    m_titleView = nullptr;

    NavigationItem *item = topItem();
    showItem(m_leftButton, m_leftItem, item ? item->leftBarButtonItem() : nullptr);
    showItem(m_rightButton, m_rightItem, item ? item->rightBarButtonItem() : nullptr);
    for (QPushButton *button : {m_leftButton.data(), m_rightButton.data()}) {
        if (!button)
            continue;
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, m_tintColor);
        button->setPalette(palette);
    }
    if (item && item->titleView()) {
        m_titleView = item->titleView();
        if (m_titleView->parentWidget() != this)
            m_titleView->setParent(this);
        m_titleView->show();
        m_titleLabel->hide();
    } else {
        m_titleLabel->setText(item ? item->title() : QString());
        m_titleLabel->setAccessibleName(m_titleLabel->text());
        m_titleLabel->show();
    }
    layoutContents();
}

void NavigationBar::layoutContents()
{
    const int h = height();
    int leftEdge = kSideMargin;
    int rightEdge = width() - kSideMargin;
    if (m_leftButton) {
        const QSize hint = m_leftButton->sizeHint();
        m_leftButton->setGeometry(kSideMargin, (h - hint.height()) / 2, hint.width(), hint.height());
        leftEdge = m_leftButton->geometry().right() + kSpacing;
    }
    if (m_rightButton) {
        const QSize hint = m_rightButton->sizeHint();
        m_rightButton->setGeometry(width() - kSideMargin - hint.width(), (h - hint.height()) / 2,
                                   hint.width(), hint.height());
        rightEdge = m_rightButton->geometry().left() - kSpacing;
    }
    // The title stays centred on the bar, as wide as the buttons allow.
    const int halfWidth = qMax(0, qMin(width() / 2 - leftEdge, rightEdge - width() / 2));
    const QRect titleRect(width() / 2 - halfWidth, 0, 2 * halfWidth, h);
    if (m_titleView) {
        QSize size = m_titleView->size().boundedTo(titleRect.size());
        m_titleView->setGeometry(QRect(QPoint(0, 0), size).translated(
            titleRect.center() - QRect(QPoint(0, 0), size).center()));
    }
    m_titleLabel->setGeometry(titleRect);
    const QString full = topItem() ? topItem()->title() : QString();
    m_titleLabel->setText(
        m_titleLabel->fontMetrics().elidedText(full, Qt::ElideRight, titleRect.width()));
}

void NavigationBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(247, 247, 247));
    painter.setPen(QColor(178, 178, 178));
    painter.drawLine(0, height() - 1, width(), height() - 1);
}

void NavigationBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutContents();
}
