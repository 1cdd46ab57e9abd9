#include "platform/ActivityIndicatorView.h"
#include "platform/AlertDialog.h"
#include "platform/AlertView.h"
#include "platform/Autoresizing.h"
#include "platform/BarButtonItem.h"
#include "platform/Geometry.h"
#include "platform/NavigationBar.h"
#include "platform/NavigationItem.h"
#include "platform/Slider.h"
#include "platform/UrlLoader.h"
#include "platform/UrlText.h"
#include "LocalHttpServer.h"
#include "platform/UserDefaults.h"
#include "platform/ViewController.h"

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

class PlatformTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void autoresizedFrame_data();
    void autoresizedFrame();
    void childFollowsParentOnlyWithMask();
    void userDefaultsRoundTrip();
    void userDefaultsFileIsOwnerOnly();
    void urlWithString_data();
    void urlWithString();
    void navigationBarShowsItemButtons();
    void activityIndicatorHidesWhenStopped();
    void alertDialogShowsPlainTextAndReportsIndex_data();
    void alertDialogShowsPlainTextAndReportsIndex();
    void sliderReportsOnlyUserChanges();
    void loadStepSeesTheSizeOfItsTab();
    void urlLoaderOutcomes_data();
    void urlLoaderOutcomes();
};

void PlatformTest::autoresizedFrame_data()
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

void PlatformTest::autoresizedFrame()
{
    QFETCH(QRectF, frame);
    QFETCH(QSizeF, oldSize);
    QFETCH(QSizeF, newSize);
    QFETCH(int, mask);
    QFETCH(QRectF, expected);
    QCOMPARE(Autoresizing::resizedFrame(frame, oldSize, newSize, mask), expected);
}

void PlatformTest::childFollowsParentOnlyWithMask()
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

void PlatformTest::userDefaultsRoundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/defaults.conf"));
    {
        UserDefaults defaults(path);
        QCOMPARE(defaults.stringForKey(QStringLiteral("customURL")), std::nullopt);
        defaults.setString(QStringLiteral("customURL"), QString(""));
        defaults.setString(QStringLiteral("login"), QStringLiteral(" демо "));
        defaults.setString(QStringLiteral("gone"), QStringLiteral("x"));
        defaults.removeObjectForKey(QStringLiteral("gone"));
        defaults.setStringArray(QStringLiteral("userData"),
                                {QStringLiteral("a"), QStringLiteral("b,c"), QString("")});
        QVERIFY(defaults.synchronize());
    }
    UserDefaults reread(path);
    // The empty string is a value, not absence.
    const std::optional<QString> custom = reread.stringForKey(QStringLiteral("customURL"));
    QVERIFY(custom.has_value());
    QCOMPARE(*custom, QString(""));
    QCOMPARE(reread.stringForKey(QStringLiteral("login")), std::optional<QString>(QStringLiteral(" демо ")));
    QCOMPARE(reread.stringForKey(QStringLiteral("gone")), std::nullopt);
    QVERIFY(!reread.hasKey(QStringLiteral("gone")));
    QCOMPARE(reread.stringArrayForKey(QStringLiteral("userData")),
             std::optional<QStringList>({QStringLiteral("a"), QStringLiteral("b,c"), QString("")}));
    // A list is not a string.
    QCOMPARE(reread.stringForKey(QStringLiteral("userData")), std::nullopt);
}

void PlatformTest::userDefaultsFileIsOwnerOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.conf"));
    UserDefaults defaults(path);
    defaults.setString(QStringLiteral("password"), QStringLiteral("secret"));
    QVERIFY(defaults.synchronize());
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QFileDevice::Permissions all = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
        | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(path) & all, ownerOnly);
    defaults.setString(QStringLiteral("login"), QStringLiteral("again"));
    QVERIFY(defaults.synchronize());
    QCOMPARE(QFile::permissions(path) & all, ownerOnly);
}

void PlatformTest::urlWithString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isUrl");
    QTest::addColumn<bool>("isWebUrl");

    QTest::newRow("https") << "https://example.org/kavu/music/?version=1.0" << true << true;
    QTest::newRow("http with port") << "http://127.0.0.1:8080/a.mp3" << true << true;
    QTest::newRow("escaped") << "https://example.org/a%20b" << true << true;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("leading space") << " https://example.org/a.mp3" << false << false;
    QTest::newRow("inner space") << "https://example.org/a b" << false << false;
    QTest::newRow("only white space then slash") << "   /" << false << false;
    QTest::newRow("line break") << "https://example.org/a\n" << false << false;
    QTest::newRow("non-ASCII") << "https://example.org/музыка" << false << false;
    QTest::newRow("broken escape") << "https://example.org/a%2" << false << false;
    QTest::newRow("bad escape digits") << "https://example.org/a%zz" << false << false;
    QTest::newRow("angle bracket") << "https://example.org/<b>" << false << false;
    QTest::newRow("two hashes") << "https://example.org/a##b" << false << false;
    QTest::newRow("fragment") << "https://example.org/a#b" << true << true;
    QTest::newRow("file scheme") << "file:///etc/passwd" << true << false;
    QTest::newRow("custom scheme") << "kavu://music?id=1" << true << false;
    QTest::newRow("relative") << "music/a.mp3" << true << false;
    QTest::newRow("no host") << "https:///a.mp3" << true << false;
}

void PlatformTest::urlWithString()
{
    QFETCH(QString, text);
    QFETCH(bool, isUrl);
    QFETCH(bool, isWebUrl);
    const std::optional<QUrl> url = ::urlWithString(text);
    QCOMPARE(url.has_value(), isUrl);
    if (url)
        QCOMPARE(url->toString(QUrl::FullyEncoded), text);
    QCOMPARE(webUrlWithString(text).has_value(), isWebUrl);
}

void PlatformTest::navigationBarShowsItemButtons()
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

void PlatformTest::activityIndicatorHidesWhenStopped()
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

void PlatformTest::alertDialogShowsPlainTextAndReportsIndex_data()
{
    QTest::addColumn<int>("pressed");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<int>("expected");
    QTest::newRow("cancel button") << 0 << false << 0;
    QTest::newRow("other button") << 1 << false << 1;
    QTest::newRow("escape cancels") << -1 << true << 0;
}

void PlatformTest::alertDialogShowsPlainTextAndReportsIndex()
{
    QFETCH(int, pressed);
    QFETCH(bool, escape);
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
    if (escape)
        dialog.reject();
    else
        dialog.buttons().at(pressed)->click();
    QCOMPARE(delegate.indices, QList<int>{expected});
    QCOMPARE(delegate.fieldTexts, QStringList{QStringLiteral("https://new")});
    // A second press does not reach the delegate again.
    alert.dismissWithClickedButtonIndex(1);
    QCOMPARE(delegate.indices.size(), 1);
}

void PlatformTest::sliderReportsOnlyUserChanges()
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

void PlatformTest::loadStepSeesTheSizeOfItsTab()
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

void PlatformTest::urlLoaderOutcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("hasBody");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("exceeded");

    QTest::newRow("ok") << "/ok" << true << QByteArray("text") << false;
    QTest::newRow("error status with a body") << "/missing" << true << QByteArray("gone") << false;
    QTest::newRow("server error with a body") << "/broken" << true << QByteArray("oops") << false;
    QTest::newRow("empty body") << "/empty" << true << QByteArray("") << false;
    QTest::newRow("redirect followed") << "/moved" << true << QByteArray("text") << false;
    QTest::newRow("redirect loop") << "/loop" << false << QByteArray() << false;
    QTest::newRow("redirect to a file") << "/to-file" << false << QByteArray() << false;
    QTest::newRow("past the limit") << "/big" << false << QByteArray() << true;
    QTest::newRow("at the limit") << "/limit" << true << QByteArray(100, 'a') << false;
    QTest::newRow("time-out") << "/slow" << false << QByteArray() << false;
    QTest::newRow("not a URL") << "" << false << QByteArray() << false;
}

void PlatformTest::urlLoaderOutcomes()
{
    QFETCH(QString, path);
    QFETCH(bool, hasBody);
    QFETCH(QByteArray, body);
    QFETCH(bool, exceeded);

    LocalHttpServer server;
    QVERIFY(server.listen());
    server.route(QStringLiteral("/ok"), HttpReply::text("text"));
    server.route(QStringLiteral("/missing"), HttpReply::text("gone", 404));
    server.route(QStringLiteral("/broken"), HttpReply::text("oops", 500));
    server.route(QStringLiteral("/empty"), HttpReply::text(""));
    HttpReply moved = HttpReply::text("", 302);
    moved.headers.append(qMakePair(QByteArray("Location"), QByteArray("/ok")));
    server.route(QStringLiteral("/moved"), moved);
    HttpReply loop = HttpReply::text("", 302);
    loop.headers.append(qMakePair(QByteArray("Location"), QByteArray("/loop")));
    server.route(QStringLiteral("/loop"), loop);
    HttpReply toFile = HttpReply::text("", 302);
    toFile.headers.append(qMakePair(QByteArray("Location"), QByteArray("file:///etc/passwd")));
    server.route(QStringLiteral("/to-file"), toFile);
    server.route(QStringLiteral("/big"), HttpReply::text(QByteArray(101, 'a')));
    server.route(QStringLiteral("/limit"), HttpReply::text(QByteArray(100, 'a')));
    HttpReply slow = HttpReply::text("late");
    slow.delayMs = 2000;
    server.route(QStringLiteral("/slow"), slow);

    UrlLoader loader;
    loader.setTimeoutMs(300);
    QObject context;
    std::optional<UrlResponse> outcome;
    int calls = 0;
    const QUrl url = path.isEmpty() ? QUrl() : server.url(path);
    loader.get(url, 100, &context, [&](const UrlResponse &response) {
        ++calls;
        outcome = response;
    });
    // Never at once, always on the event loop.
    QCOMPARE(calls, 0);
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 5000);
    QCOMPARE(outcome->succeeded(), hasBody);
    QCOMPARE(outcome->exceededLimit, exceeded);
    if (hasBody)
        QCOMPARE(*outcome->data, body);
    else
        QVERIFY(!outcome->error.isEmpty());
    QTest::qWait(50);
    QCOMPARE(calls, 1);
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
