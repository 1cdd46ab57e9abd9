#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertDialog.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Autoresizing.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationItem.h"
#include "platform/ui/PlaybackTime.h"
#include "platform/ui/Slider.h"
#include "platform/ui/ViewController.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

class RecordingAlertDelegate : public AlertViewDelegate
{
public:
    void alertViewClickedButtonAtIndex(AlertView *alertView, int buttonIndex) override
    {
        indices.append(buttonIndex);
        fieldTexts.append(alertView->textFieldText());
    }
    QList<int> indices;
    QStringList fieldTexts;
};

} // namespace

// Records the root view's bounds its load step saw.
class BoundsRecorder : public ViewController
{
public:
    QList<QRect> loads;

protected:
    void viewDidLoad() override { loads.append(bounds()); }
};

class UiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playbackTimes_data();
    void playbackTimes();
    void autoresizedFrame_data();
    void autoresizedFrame();
    void childFollowsParentOnlyWithMask();
    void navigationBarShowsItemButtons();
    void activityIndicatorHidesWhenStopped();
    void alertDialogShowsPlainTextAndReportsIndex_data();
    void alertDialogShowsPlainTextAndReportsIndex();
    void sliderReportsOnlyUserChanges();
    void sliderReportsADragOnceWhereReleased();
    void loadStepSeesTheSizeOfItsTab();
};

void UiTest::autoresizedFrame_data()
{
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QSizeF>("oldSize");
    QTest::addColumn<QSizeF>("newSize");
    QTest::addColumn<int>("mask");
    QTest::addColumn<QRectF>("expected");

    const int widthHeight = Autoresizing::FlexibleWidth | Autoresizing::FlexibleHeight;
    QTest::newRow("no mask keeps the frame")
        << QRectF(0, 44, 320, 524) << QSizeF(320, 568) << QSizeF(400, 700) << 0
        << QRectF(0, 44, 320, 524);
    QTest::newRow("width and height grow")
        << QRectF(0, 44, 320, 524) << QSizeF(320, 568) << QSizeF(400, 700) << widthHeight
        << QRectF(0, 44, 400, 656);
    QTest::newRow("width and height shrink")
        << QRectF(0, 44, 320, 524) << QSizeF(320, 568) << QSizeF(300, 500) << widthHeight
        << QRectF(0, 44, 300, 456);
    QTest::newRow("width only")
        << QRectF(0, 175, 320, 50) << QSizeF(320, 568) << QSizeF(420, 700)
        << int(Autoresizing::FlexibleWidth) << QRectF(0, 175, 420, 50);
    QTest::newRow("flexible left margin moves the view")
        << QRectF(20, 0, 100, 10) << QSizeF(320, 100) << QSizeF(420, 100)
        << int(Autoresizing::FlexibleLeftMargin) << QRectF(120, 0, 100, 10);
    QTest::newRow("margins and width share in proportion")
        << QRectF(100, 0, 100, 10) << QSizeF(300, 100) << QSizeF(600, 100)
        << int(Autoresizing::FlexibleLeftMargin | Autoresizing::FlexibleWidth
               | Autoresizing::FlexibleRightMargin)
        << QRectF(200, 0, 200, 10);
}

void UiTest::autoresizedFrame()
{
    QFETCH(QRectF, frame);
    QFETCH(QSizeF, oldSize);
    QFETCH(QSizeF, newSize);
    QFETCH(int, mask);
    QFETCH(QRectF, expected);
    QCOMPARE(Autoresizing::resizedFrame(frame, oldSize, newSize, mask), expected);
}

void UiTest::childFollowsParentOnlyWithMask()
{
    QWidget window;
    window.resize(600, 800);
    auto *parent = new QWidget(&window);
    parent->resize(320, 568);
    auto *flexible = new QWidget(parent);
    auto *fixed = new QWidget(parent);
    Geometry::setFrame(flexible, QRectF(0, 44, 320, 524));
    Geometry::setFrame(fixed, QRectF(0, 0, 320, 44));
    Autoresizing::setMask(flexible, Autoresizing::FlexibleWidth | Autoresizing::FlexibleHeight);

    window.show();
    parent->resize(500, 600);
    QCOMPARE(flexible->geometry(), QRect(0, 44, 500, 556));
    QCOMPARE(fixed->geometry(), QRect(0, 0, 320, 44));
    // A size change while the parent is hidden is applied when it shows.
    parent->hide();
    parent->resize(300, 400);
    parent->show();
    QCOMPARE(flexible->geometry(), QRect(0, 44, 300, 356));
}

void UiTest::navigationBarShowsItemButtons()
{
    NavigationBar bar;
    bar.resize(320, 44);
    auto *item = new NavigationItem(QStringLiteral("<b>Заголовок</b>"));
    bar.setItems({item});
    QVERIFY(!bar.leftButton());
    QVERIFY(!bar.rightButton());
    QCOMPARE(bar.titleLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(bar.titleLabel()->accessibleName(), QStringLiteral("<b>Заголовок</b>"));

    int pressed = 0;
    item->setLeftBarButtonItem(
        new BarButtonItem(QStringLiteral("Назад"), BarButtonItem::Style::Plain, [&] { ++pressed; }));
    item->setRightBarButtonItem(
        new BarButtonItem(QStringLiteral("Инфо"), BarButtonItem::Style::Plain, [] {}));
    QVERIFY(bar.leftButton());
    QCOMPARE(bar.leftButton()->accessibleName(), QStringLiteral("Назад"));
    QCOMPARE(bar.rightButton()->text(), QStringLiteral("Инфо"));
    bar.leftButton()->click();
    QCOMPARE(pressed, 1);

    // Setting no item removes that side's button.
    item->setRightBarButtonItem(nullptr);
    QVERIFY(!bar.rightButton());
    QVERIFY(bar.leftButton());

    // A replaced item's old button no longer acts.
    int replaced = 0;
    item->setLeftBarButtonItem(
        new BarButtonItem(QStringLiteral("Настройки"), BarButtonItem::Style::Plain, [&] { ++replaced; }));
    bar.leftButton()->click();
    QCOMPARE(pressed, 1);
    QCOMPARE(replaced, 1);
    QCOMPARE(bar.findChildren<QPushButton *>().size(), 1);
}

void UiTest::activityIndicatorHidesWhenStopped()
{
    QWidget parent;
    auto *indicator = new ActivityIndicatorView(ActivityIndicatorView::Style::WhiteLarge, &parent);
    indicator->setHidesWhenStopped(true);
    QVERIFY(!indicator->isVisibleTo(&parent));
    indicator->startAnimating();
    QVERIFY(indicator->isAnimating());
    QVERIFY(indicator->isVisibleTo(&parent));
    indicator->stopAnimating();
    QVERIFY(!indicator->isAnimating());
    QVERIFY(!indicator->isVisibleTo(&parent));
    indicator->setCenter(QPointF(160, 284));
    QCOMPARE(Geometry::frame(indicator).center(), QPointF(160, 284));
    QCOMPARE(indicator->size(), QSize(37, 37));
}

void UiTest::alertDialogShowsPlainTextAndReportsIndex_data()
{
    QTest::addColumn<int>("pressed");  // a button clicked, or -1 for the keys
    QTest::addColumn<int>("focused");  // where the focus is for the keys: the field or a button
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("cancel button") << 0 << -1 << 0 << 0;
    QTest::newRow("other button") << 1 << -1 << 0 << 1;
    QTest::newRow("escape cancels") << -1 << -1 << int(Qt::Key_Escape) << 0;
    QTest::newRow("enter in the field presses the last") << -1 << -1 << int(Qt::Key_Return) << 1;
    QTest::newRow("enter presses the focused button") << -1 << 0 << int(Qt::Key_Return) << 0;
}

void UiTest::alertDialogShowsPlainTextAndReportsIndex()
{
    QFETCH(int, pressed);
    QFETCH(int, focused);
    QFETCH(int, key);
    QFETCH(int, expected);

    RecordingAlertDelegate delegate;
    AlertView alert(QStringLiteral("<b>Hello</b>"), QStringLiteral("<img src=x>"), &delegate,
                    QStringLiteral("Отмена"), {QStringLiteral("Перезагрузить")});
    alert.setAlertViewStyle(AlertView::Style::PlainTextInput);
    alert.setTextFieldText(QStringLiteral("https://old"));
    AlertDialog dialog(&alert, nullptr);
    QCOMPARE(dialog.titleLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(dialog.titleLabel()->text(), QStringLiteral("<b>Hello</b>"));
    QCOMPARE(dialog.messageLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(dialog.buttons().size(), 2);
    QCOMPARE(dialog.buttons().at(0)->text(), QStringLiteral("Отмена"));
    QCOMPARE(dialog.textField()->text(), QStringLiteral("https://old"));

    dialog.textField()->setText(QStringLiteral("https://new"));
    if (pressed >= 0) {
        dialog.buttons().at(pressed)->click();
    } else {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QWidget *focus = focused < 0 ? static_cast<QWidget *>(dialog.textField()) : dialog.buttons().at(focused);
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key(key));
    }
    QCOMPARE(delegate.indices, QList<int>{expected});
    QCOMPARE(delegate.fieldTexts, QStringList{QStringLiteral("https://new")});
    // A second press does not reach the delegate again.
    alert.dismissWithClickedButtonIndex(1);
    QCOMPARE(delegate.indices.size(), 1);
}

void UiTest::sliderReportsOnlyUserChanges()
{
    Slider slider;
    QSignalSpy spy(&slider, &Slider::userValueChanged);
    slider.setMinimumValue(0);
    slider.setMaximumValue(212.5f);
    slider.setValue(30.25f);
    QCOMPARE(slider.value(), 30.25f);
    QCOMPARE(spy.count(), 0);
    slider.setMaximumValue(10); // clamps the value without a report
    QCOMPARE(slider.value(), 10.0f);
    QCOMPARE(spy.count(), 0);
    slider.setMaximumValue(100);
    slider.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toFloat(), 11.0f);
    slider.setMaximumValue(std::numeric_limits<float>::quiet_NaN());
    QCOMPARE(slider.maximumValue(), 0.0f);
}

void UiTest::sliderReportsADragOnceWhereReleased()
{
    Slider slider;
    slider.setMaximumValue(100);
    QSignalSpy spy(&slider, &Slider::userValueChanged);
    // The user holds the handle and drags it; the one-second tick leaves it be.
    slider.setSliderDown(true);
    slider.setSliderPosition(40000);
    slider.setSliderPosition(60000);
    slider.setValue(12);
    QCOMPARE(slider.sliderPosition(), 60000);
    QCOMPARE(spy.count(), 0);
    slider.setSliderDown(false);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toFloat(), 60.0f);
}

void UiTest::loadStepSeesTheSizeOfItsTab()
{
    QTabWidget tabs;
    auto *first = new BoundsRecorder;
    auto *second = new BoundsRecorder;
    tabs.addTab(first, QStringLiteral("1"));
    tabs.addTab(second, QStringLiteral("2"));
    tabs.resize(400, 600);
    tabs.show();
    QTRY_COMPARE(first->loads.size(), 1);
    // A tab shows its screen before it gives it its size; the load step
    // waits for the size.
    QVERIFY(!first->loads.at(0).isEmpty());
    QCOMPARE(first->loads.at(0).size(), first->size());
    QVERIFY(second->loads.isEmpty());
    tabs.setCurrentIndex(1);
    QTRY_COMPARE(second->loads.size(), 1);
    QVERIFY(!second->loads.at(0).isEmpty());
    // It runs once.
    tabs.resize(500, 700);
    tabs.setCurrentIndex(0);
    QCOMPARE(first->loads.size(), 1);
    QCOMPARE(second->loads.size(), 1);
}

void UiTest::playbackTimes_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QString>("elapsed");
    QTest::addColumn<QString>("remaining");
    QTest::newRow("start") << 0.0 << 200.4 << "0:00" << "\u22123:20";
    QTest::newRow("within") << 65.9 << 200.4 << "1:05" << "\u22122:15";
    QTest::newRow("past the end") << 250.0 << 200.4 << "3:20" << "\u22120:00";
    QTest::newRow("an hour long") << 61.0 << 3725.0 << "0:01:01" << "\u22121:01:04";
    QTest::newRow("unknown duration") << 12.0 << qQNaN() << "--:--" << "--:--";
    QTest::newRow("no duration") << 0.0 << 0.0 << "--:--" << "--:--";
}

void UiTest::playbackTimes()
{
    QFETCH(double, seconds);
    QFETCH(double, duration);
    QFETCH(QString, elapsed);
    QFETCH(QString, remaining);
    QCOMPARE(PlaybackTime::elapsed(seconds, duration), elapsed);
    QCOMPARE(PlaybackTime::remaining(seconds, duration), remaining);
}

QTEST_MAIN(UiTest)
#include "tst_ui.moc"
