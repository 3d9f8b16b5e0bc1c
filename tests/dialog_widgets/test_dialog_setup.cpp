// The effect dialog as each of the 32 modes sets it up: title, shown groups,
// slider ranges and positions, labels, colour presets, the preview check box,
// help, the values after OK and after Cancel, the echo edits, the control
// table in pixels and the panes shrunk to a small photo.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "DialogTestSupport.h"
#include "dialog/widgets/CDialogUnSharpMask.h"
#include "dialog/widgets/PhotoPane.h"
#include "dialog/widgets/PreviewPane.h"
#include "res/DialogControls.h"

namespace Id = EffectDialogId;

namespace {

struct Range {
    int minimum;
    int maximum;
    int position;
};

constexpr Range kUnset{0, 100, 0};
constexpr Range k100{1, 100, 10};
constexpr Range k10{1, 10, 10};
constexpr Range kEffect100{1, 100, 100};
constexpr Range kSide{10, 100, 50};
constexpr Range kByte{0, 255, 10};
constexpr Range kLight{0, 255, -1}; // position: the light colour's component

constexpr RgbColour kWhite{255, 255, 255};
constexpr RgbColour kGrey{128, 128, 128};

// One row of the expected set-up, written from the dialog's documentation.
struct Expected {
    int mode;
    const char* title;
    const char* groups; // S strength, E effect, P precision, C sampling, H help, L light
    Range strength, effect, precision, side, light;
    RgbColour target, lightColour;
    const char* samplingCaption;
    const char* precisionLabel;
    bool previewChecked;
};

constexpr const char* kSkin = "肌色を指定";
constexpr const char* kSkinLabel = "肌色の精度";
constexpr const char* kEdit = "編集する色を指定";
constexpr const char* kRangeLabel = "色域の精度";

const Expected kExpected[] = {
    {1, "フラッシュ", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {2, "ピント修正", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {3, "ビビットカラー", "E", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {4, "ソフトフォーカス", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {5, "HDR", "SEH", k10, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, false},
    {6, "濃く（コントラスト）", "E", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {7, "白黒", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {8, "くっきり", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {9, "なめらか", "SEH", k10, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, false},
    {10, "美肌", "SEPCH", k10, kEffect100, k100, kSide, kUnset, {250, 214, 186}, kGrey, kSkin, kSkinLabel, false},
    {11, "指定色をぼかす", "SEPCH", k10, kEffect100, k100, kSide, kUnset, kWhite, kGrey, kEdit, kRangeLabel, true},
    {12, "指定色をくっきり", "SEPCH", kByte, kByte, kByte, kSide, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {13, "指定色を強く、弱く", "EPCH", k10, {-100, 100, 100}, {1, 100, 100}, kSide, kUnset, kWhite, kGrey, kEdit,
     kRangeLabel, true},
    {14, "指定色をくっきりフラッシュ", "SEPCH", k10, kEffect100, k100, kSide, kUnset, kWhite, kGrey, kEdit,
     kRangeLabel, true},
    {15, "カラーライト", "EL", kUnset, {1, 100, 50}, kUnset, kUnset, kLight, kWhite, kGrey, kSkin, kSkinLabel, true},
    {16, "ウォーム", "E", kUnset, k100, kUnset, kUnset, kLight, kWhite, {255, 87, 0}, kSkin, kSkinLabel, true},
    {17, "クール", "E", kUnset, k100, kUnset, kUnset, kLight, kWhite, {0, 169, 255}, kSkin, kSkinLabel, true},
    {18, "白色補正", "ECH", kUnset, k100, kUnset, kSide, kLight, kWhite, kGrey, "白くする指定", kSkinLabel, true},
    {19, "全体的に明るく", "E", kUnset, k100, kUnset, kUnset, kLight, kWhite, kWhite, kSkin, kSkinLabel, true},
    {20, "明るいところをより明るく", "E", kUnset, k100, kUnset, kUnset, kLight, kWhite, kWhite, kSkin, kSkinLabel,
     true},
    {21, "暗いところをより明るく", "E", kUnset, k100, kUnset, kUnset, kLight, kWhite, kWhite, kSkin, kSkinLabel,
     true},
    {22, "明るいところを濃く", "E", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {23, "暗いところを濃く", "E", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {24, "明るいところをビビットに", "E", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel,
     true},
    {25, "暗いところをビビットに", "E", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {26, "全体的に暗く", "E", kUnset, k100, kUnset, kUnset, kLight, kWhite, {0, 0, 0}, kSkin, kSkinLabel, true},
    {27, "クリアカラー", "E", kUnset, k100, kUnset, kUnset, kLight, kWhite, kGrey, kSkin, kSkinLabel, true},
    {28, "明るくくっきり", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {29, "暗くくっきり", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {30, "特定色の強調", "EPCH", k10, {1, 100, 50}, {1, 100, 50}, kSide, kUnset, kGrey, kGrey,
     "編集する色域を指定", kRangeLabel, true},
    {31, "影を濃く", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
    {32, "光を強く", "SE", k100, k100, kUnset, kUnset, kUnset, kWhite, kGrey, kSkin, kSkinLabel, true},
};

const QList<int> kGroupControls[] = {
    {Id::StrengthSlider, Id::StrengthEdit, Id::StrengthLabel},
    {Id::EffectSlider, Id::EffectEdit, Id::EffectLabel},
    {Id::PrecisionSlider, Id::PrecisionEdit, Id::PrecisionLabel},
    {Id::SamplingGroup, Id::TargetSwatch, Id::GetColourButton, Id::SampleSizeSlider, Id::SampleSmallLabel,
     Id::SampleLargeLabel},
    {Id::HelpButton},
    {Id::RedSlider, Id::GreenSlider, Id::BlueSlider, Id::RedEdit, Id::GreenEdit, Id::BlueEdit, Id::RedLabel,
     Id::GreenLabel, Id::BlueLabel, Id::LightSwatch},
};
constexpr char kGroupLetters[] = "SEPCHL";

const Expected& expectedFor(int mode) { return kExpected[mode - 1]; }

QSlider* sliderOf(const CDialogUnSharpMask& dialog, int id) { return qobject_cast<QSlider*>(dialog.control(id)); }

void addModeRows()
{
    QTest::addColumn<int>("mode");
    for (const Expected& row : kExpected) {
        QTest::addRow("mode %d %s", row.mode, row.title) << row.mode;
    }
}

} // namespace

class DialogSetupTest : public QObject {
    Q_OBJECT
    // A photo smaller than the panes keeps each preview quick.
    std::unique_ptr<COvImage2> smallPhoto_ = dialogtest::photoLikeRecord(160, 120);

private slots:
    void controlTableInPixels();
    void titleGroupsAndLabels_data() { addModeRows(); }
    void titleGroupsAndLabels();
    void slidersAndPresets_data() { addModeRows(); }
    void slidersAndPresets();
    void valuesAfterOk_data() { addModeRows(); }
    void valuesAfterOk();
    void cancelEscapeAndCloseSaveNothing();
    void echoEditsFollowSliders();
    void lightColourFollowsRgbSlidersInMode15();
    void hiddenRgbSlidersKeepPresets_data();
    void hiddenRgbSlidersKeepPresets();
    void helpTexts_data() { addModeRows(); }
    void helpTexts();
    void previewBoxTogglesOnlyInSlowModes_data() { addModeRows(); }
    void previewBoxTogglesOnlyInSlowModes();
    void panesShrinkToSmallPhoto();
    void largePhotoKeepsTemplatePanes();
};

void DialogSetupTest::controlTableInPixels()
{
    auto photo = dialogtest::photoLikeRecord(800, 600);
    CDialogUnSharpMask dialog(*photo, 8);
    QCOMPARE(dialog.size(), QSize(1023, 564));
    QCOMPARE(dialog.control(Id::PhotoPane)->geometry(), QRect(11, 11, 360, 332));
    QCOMPARE(dialog.control(Id::PreviewPane)->geometry(), QRect(377, 11, 360, 332));
    QCOMPARE(dialog.control(Id::OverviewPane)->geometry(), QRect(11, 371, 210, 157));
    QCOMPARE(dialog.control(Id::Ok)->geometry(), QRect(476, 530, 75, 23));
    for (const DialogControl& entry : kEffectDialogControls) {
        QWidget* widget = dialog.control(entry.id);
        QVERIFY2(widget != nullptr, qPrintable(QString::number(entry.id)));
        const PixelRect pixels = dialogUnitsToPixels(entry.rect);
        QCOMPARE(widget->pos(), QPoint(pixels.left, pixels.top));
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QCOMPARE(button->text(), QString::fromUtf8(entry.caption.data(), entry.caption.size()));
        }
    }
    QVERIFY(qobject_cast<QPushButton*>(dialog.control(Id::Ok))->isDefault());
    QCOMPARE(qobject_cast<QPushButton*>(dialog.control(Id::Cancel))->text(), QStringLiteral("キャンセル"));
    // The echo edits only display positions.
    for (const int edit : {Id::StrengthEdit, Id::EffectEdit, Id::PrecisionEdit, Id::RedEdit, Id::GreenEdit,
                           Id::BlueEdit}) {
        QVERIFY(!dialog.control(edit)->isEnabled());
    }
}

void DialogSetupTest::titleGroupsAndLabels()
{
    QFETCH(int, mode);
    const Expected& expected = expectedFor(mode);
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, mode);
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8(expected.title));

    const QString groups = QString::fromLatin1(expected.groups);
    for (int group = 0; group < 6; ++group) {
        const bool shown = groups.contains(QLatin1Char(kGroupLetters[group]));
        for (const int id : kGroupControls[group]) {
            QVERIFY2(dialog.control(id)->isVisibleTo(&dialog) == shown,
                     qPrintable(QStringLiteral("control %1").arg(id)));
        }
    }
    for (const int id : {Id::OverviewPane, Id::PhotoPane, Id::PreviewPane, Id::PreviewCheckBox, Id::Ok, Id::Cancel}) {
        QVERIFY(dialog.control(id)->isVisibleTo(&dialog));
    }
    QCOMPARE(qobject_cast<QGroupBox*>(dialog.control(Id::SamplingGroup))->title(),
             QString::fromUtf8(expected.samplingCaption));
    QCOMPARE(qobject_cast<QLabel*>(dialog.control(Id::PrecisionLabel))->text(),
             QString::fromUtf8(expected.precisionLabel));
    QCOMPARE(qobject_cast<QLabel*>(dialog.control(Id::StrengthLabel))->text(), QStringLiteral("強度"));
    QCOMPARE(qobject_cast<QLabel*>(dialog.control(Id::EffectLabel))->text(), QStringLiteral("効果"));
}

void DialogSetupTest::slidersAndPresets()
{
    QFETCH(int, mode);
    const Expected& expected = expectedFor(mode);
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, mode);

    const auto checkSlider = [&](int id, Range range, int lightComponent) {
        const QSlider* slider = sliderOf(dialog, id);
        const int position = range.position < 0 ? lightComponent : range.position;
        QCOMPARE(slider->minimum(), range.minimum);
        QCOMPARE(slider->maximum(), range.maximum);
        QCOMPARE(slider->value(), position);
    };
    checkSlider(Id::StrengthSlider, expected.strength, 0);
    checkSlider(Id::EffectSlider, expected.effect, 0);
    checkSlider(Id::PrecisionSlider, expected.precision, 0);
    checkSlider(Id::SampleSizeSlider, expected.side, 0);
    checkSlider(Id::RedSlider, expected.light, expected.lightColour.red);
    checkSlider(Id::GreenSlider, expected.light, expected.lightColour.green);
    checkSlider(Id::BlueSlider, expected.light, expected.lightColour.blue);
    QCOMPARE(dialog.targetColour(), expected.target);
    QCOMPARE(dialog.lightColour(), expected.lightColour);
    QCOMPARE(dialog.sampleRange(), 50);

    const QCheckBox* box = qobject_cast<QCheckBox*>(dialog.control(Id::PreviewCheckBox));
    QCOMPARE(box->isChecked(), expected.previewChecked);
    QCOMPARE(box->isEnabled(), !expected.previewChecked);
}

void DialogSetupTest::valuesAfterOk()
{
    QFETCH(int, mode);
    const Expected& expected = expectedFor(mode);
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, mode);
    QSignalSpy rendered(&dialog, &CDialogUnSharpMask::panesRendered);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_VERIFY(rendered.count() > 0);
    QTest::mouseClick(dialog.control(Id::Ok), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    const EffectValues values = dialog.values();
    // Hidden sliders hand on their positions too: strength 10 where the mode
    // configures the hidden row, 0 where it leaves slider 1000 alone.
    QCOMPARE(values.strengthValue, expected.strength.position);
    QCOMPARE(values.effectValue, expected.effect.position);
    QCOMPARE(values.precisionValue, expected.precision.position);
    QCOMPARE(values.targetColour, expected.target);
    // Mode 18 takes its light colour from the target colour at every paint.
    QCOMPARE(values.lightColour, mode == 18 ? expected.target : expected.lightColour);
    const int red = expected.light.position < 0 ? expected.lightColour.red : 0;
    QCOMPARE(dialog.redValue(), red);
}

void DialogSetupTest::cancelEscapeAndCloseSaveNothing()
{
    COvImage2* photo = smallPhoto_.get();
    enum class Ending { cancelButton, escape, closeBox };
    for (const Ending ending : {Ending::cancelButton, Ending::escape, Ending::closeBox}) {
        CDialogUnSharpMask dialog(*photo, 13);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        sliderOf(dialog, Id::EffectSlider)->setValue(-40);
        switch (ending) {
        case Ending::cancelButton:
            QTest::mouseClick(dialog.control(Id::Cancel), Qt::LeftButton);
            break;
        case Ending::escape:
            QTest::keyClick(&dialog, Qt::Key_Escape);
            break;
        case Ending::closeBox:
            dialog.close();
            break;
        }
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.strengthValue(), 0);
        QCOMPARE(dialog.effectValue(), 0);
        QCOMPARE(dialog.precisionValue(), 0);
    }
}

void DialogSetupTest::echoEditsFollowSliders()
{
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, 13);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto editText = [&](int id) { return qobject_cast<QLineEdit*>(dialog.control(id))->text(); };
    QTRY_COMPARE(editText(Id::EffectEdit), QStringLiteral("100"));
    QTRY_COMPARE(editText(Id::PrecisionEdit), QStringLiteral("100"));

    sliderOf(dialog, Id::EffectSlider)->setValue(-73);
    QCOMPARE(editText(Id::EffectEdit), QStringLiteral("-73"));
    // The keyboard moves the slider and its echo.
    sliderOf(dialog, Id::PrecisionSlider)->setFocus();
    QTest::keyClick(sliderOf(dialog, Id::PrecisionSlider), Qt::Key_Left);
    QCOMPARE(editText(Id::PrecisionEdit), QStringLiteral("99"));
    QTest::mouseClick(dialog.control(Id::Ok), Qt::LeftButton);
    QCOMPARE(dialog.effectValue(), -73);
    QCOMPARE(dialog.precisionValue(), 99);
    QCOMPARE(dialog.strengthValue(), 10);
}

void DialogSetupTest::lightColourFollowsRgbSlidersInMode15()
{
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, 15);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto editText = [&](int id) { return qobject_cast<QLineEdit*>(dialog.control(id))->text(); };
    QTRY_COMPARE(editText(Id::RedEdit), QStringLiteral("128"));
    QCOMPARE(dialog.lightColour(), (RgbColour{128, 128, 128}));

    sliderOf(dialog, Id::RedSlider)->setValue(200);
    sliderOf(dialog, Id::GreenSlider)->setValue(0);
    sliderOf(dialog, Id::BlueSlider)->setValue(255);
    QCOMPARE(dialog.lightColour(), (RgbColour{200, 0, 255}));
    QCOMPARE(editText(Id::GreenEdit), QStringLiteral("0"));
    QTest::mouseClick(dialog.control(Id::Ok), Qt::LeftButton);
    QCOMPARE(dialog.values().lightColour, (RgbColour{200, 0, 255}));
    QCOMPARE(dialog.blueValue(), 255);
}

void DialogSetupTest::hiddenRgbSlidersKeepPresets_data()
{
    QTest::addColumn<int>("mode");
    for (const int mode : {16, 17, 19, 20, 21, 26, 27}) {
        QTest::addRow("mode %d", mode) << mode;
    }
}

void DialogSetupTest::hiddenRgbSlidersKeepPresets()
{
    QFETCH(int, mode);
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, mode);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // A hidden slider sends no echo: moving it leaves the preset alone.
    sliderOf(dialog, Id::RedSlider)->setValue(3);
    QTest::qWait(20);
    QCOMPARE(dialog.lightColour(), expectedFor(mode).lightColour);
}

void DialogSetupTest::helpTexts()
{
    QFETCH(int, mode);
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, mode);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QString slow = QStringLiteral(
        "右上画像下の”プレビューする”にチェックを入れないと、右上のプレビュー画面は更新されません。\n"
        "プレビューに時間がかかりますから、不要の場合は”プレビューする”にチェックをしない方がよいでしょう。");
    QString expected;
    if (mode == 5 || mode == 9) {
        expected = slow;
    } else if (mode == 10) {
        expected = QStringLiteral(
                       "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで肌色を指定します。\n"
                       "右下の”肌色の精度”スライダーを調整します。\n"
                       "肌色の精度を高くすると、指定した肌色に近い部分のみが画像処理されます。\n"
                       "肌色の精度を低くすると、指定した肌色と異なる部分も画像処理されます。\n") +
                   slow;
    } else if (mode == 13) {
        expected = QStringLiteral(
            "左上の青い四角形をドラッグし、中央下の”色を取得”ボタンを押すことで処理する色を指定します。\n"
            "右下の”色域の精度”スライダーを調整します。\n"
            "色域の精度を高くすると、指定した色に近い部分のみが画像処理されます。\n"
            "色域の精度を低くすると、指定した肌色と異なる部分も画像処理されます。");
    }

    dialogtest::MessageBoxCatcher catcher;
    qobject_cast<QPushButton*>(dialog.control(Id::HelpButton))->click();
    QCoreApplication::processEvents();
    auto* box = qobject_cast<QCheckBox*>(dialog.control(Id::PreviewCheckBox));
    if (expected.isEmpty()) {
        QCOMPARE(catcher.count(), 0);
        QVERIFY(box->isChecked());
        QVERIFY(!box->isEnabled());
    } else {
        QCOMPARE(catcher.count(), 1);
        QCOMPARE(catcher.caption(), QStringLiteral("PEKARUN4FREE"));
        QCOMPARE(catcher.text(), expected);
        QCOMPARE(box->isChecked(), mode == 13);
        QVERIFY(dialog.isVisible());
    }
}

void DialogSetupTest::previewBoxTogglesOnlyInSlowModes()
{
    QFETCH(int, mode);
    COvImage2* photo = smallPhoto_.get();
    CDialogUnSharpMask dialog(*photo, mode);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* box = qobject_cast<QCheckBox*>(dialog.control(Id::PreviewCheckBox));
    const bool before = box->isChecked();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    const bool slow = mode == 5 || mode == 9 || mode == 10;
    QCOMPARE(box->isChecked(), slow ? !before : before);
    QVERIFY(box->isChecked() || slow);
}

void DialogSetupTest::panesShrinkToSmallPhoto()
{
    auto photo = dialogtest::photoLikeRecord(100, 80);
    CDialogUnSharpMask dialog(*photo, 2);
    QCOMPARE(dialog.photoPane()->geometry(), QRect(11, 11, 100, 80));
    QCOMPARE(dialog.previewPane()->geometry(), QRect(377, 11, 100, 80));
    dialog.renderPanes();
    QCOMPARE(dialog.photoPane()->surface().size(), QSize(100, 80));
    QCOMPARE(dialog.previewPane()->surface().size(), QSize(100, 80));

    // Only the side that exceeds the photo shrinks.
    auto tall = dialogtest::photoLikeRecord(100, 900);
    CDialogUnSharpMask tallDialog(*tall, 2);
    QCOMPARE(tallDialog.photoPane()->size(), QSize(100, 332));
    QCOMPARE(tallDialog.previewPane()->size(), QSize(100, 332));
}

void DialogSetupTest::largePhotoKeepsTemplatePanes()
{
    auto photo = dialogtest::photoLikeRecord(361, 333);
    CDialogUnSharpMask dialog(*photo, 2);
    QCOMPARE(dialog.photoPane()->size(), QSize(360, 332));
    QCOMPARE(dialog.previewPane()->size(), QSize(360, 332));
}

QTEST_MAIN(DialogSetupTest)
#include "test_dialog_setup.moc"
