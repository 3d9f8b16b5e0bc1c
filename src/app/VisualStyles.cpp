// The looks of the visual-style commands as Qt styles and palettes.
#include "app/VisualStyles.h"

#include <memory>

#include <QApplication>
#include <QColor>
#include <QStyle>
#include <QStyleFactory>

#include "res/ResourceIds.h"

namespace {

// A palette from the few colours that tell the looks apart.
QPalette makePalette(QColor window, QColor base, QColor text, QColor highlight, QColor highlightedText)
{
    QPalette palette(window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, highlightedText);
    const QColor disabledText = text.lightness() > 128 ? QColor(0x80, 0x80, 0x80) : QColor(0xa0, 0xa0, 0xa0);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    return palette;
}

QPalette standardPaletteOf(const QString& styleName)
{
    const std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
    return style != nullptr ? style->standardPalette() : QPalette();
}

QPalette office2007Palette(int scheme)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    switch (scheme) {
    case res::ID_VIEW_APPLOOK_OFF_2007_BLACK:
        return makePalette(QColor(0x3b, 0x3b, 0x3b), QColor(0x26, 0x26, 0x26), QColor(0xf0, 0xf0, 0xf0),
                           QColor(0xf2, 0x9b, 0x2b), black);
    case res::ID_VIEW_APPLOOK_OFF_2007_SILVER:
        return makePalette(QColor(0xd7, 0xdb, 0xe2), white, black, QColor(0xfc, 0xd5, 0x78), black);
    case res::ID_VIEW_APPLOOK_OFF_2007_AQUA:
        return makePalette(QColor(0xc9, 0xe4, 0xec), white, black, QColor(0xff, 0xd5, 0x5a), black);
    default: // blue
        return makePalette(QColor(0xc4, 0xdb, 0xf7), white, QColor(0x15, 0x42, 0x8b), QColor(0xff, 0xd5, 0x5a),
                           black);
    }
}

} // namespace

int office2007SchemeAfter(int lookId, int currentScheme)
{
    if (lookId >= res::ID_VIEW_APPLOOK_OFF_2007_BLUE && lookId <= res::ID_VIEW_APPLOOK_OFF_2007_AQUA) {
        return lookId;
    }
    return currentScheme;
}

VisualStyle visualStyleFor(int lookId, int office2007Scheme)
{
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    switch (lookId) {
    case res::ID_VIEW_APPLOOK_WIN_2000:
        return {"Windows", standardPaletteOf("Windows"), false};
    case res::ID_VIEW_APPLOOK_OFF_XP:
        return {"Windows", makePalette(QColor(0xf6, 0xf6, 0xf6), white, black, QColor(0xb6, 0xbd, 0xd2), black),
                false};
    case res::ID_VIEW_APPLOOK_WIN_XP:
        return {"Windows", makePalette(QColor(0xec, 0xe9, 0xd8), white, black, QColor(0x31, 0x6a, 0xc5), white),
                false};
    case res::ID_VIEW_APPLOOK_OFF_2003:
        return {"Fusion", makePalette(QColor(0xc3, 0xda, 0xf9), white, black, QColor(0xff, 0xc0, 0x76), black),
                true};
    case res::ID_VIEW_APPLOOK_VS_2005:
        return {"Fusion", makePalette(QColor(0xee, 0xed, 0xe5), white, black, QColor(0xc1, 0xd2, 0xee), black),
                true};
    case res::ID_VIEW_APPLOOK_WINDOWS_7:
        return {"Fusion", makePalette(QColor(0xf0, 0xf0, 0xf0), white, black, QColor(0x33, 0x99, 0xff), white),
                true};
    default:
        break;
    }
    if (lookId >= res::ID_VIEW_APPLOOK_OFF_2007_KEEP_FIRST && lookId <= res::ID_VIEW_APPLOOK_OFF_2007_AQUA) {
        return {"Fusion", office2007Palette(office2007SchemeAfter(lookId, office2007Scheme)), true};
    }
    // 210 and anything unknown: the default look.
    return {"Fusion", standardPaletteOf("Fusion"), true};
}

void installVisualStyle(const VisualStyle& style)
{
    if (QStyle* qtStyle = QStyleFactory::create(style.qtStyle)) {
        QApplication::setStyle(qtStyle);
    }
    QApplication::setPalette(style.palette);
}
