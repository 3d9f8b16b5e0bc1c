// The visual styles 205 to 219 mapped onto Qt widget styles and palettes.
// The Office 2007 looks 211 to 214 keep the colour scheme chosen last
// (blue until one of 215 to 218 is chosen).
#pragma once

#include <QPalette>
#include <QString>

struct VisualStyle {
    QString qtStyle;    // a key of QStyleFactory
    QPalette palette;
    bool smartDocking;  // docking with all of Qt's dock options
};

// The Office 2007 scheme (215..218) in force after switching to `lookId`.
int office2007SchemeAfter(int lookId, int currentScheme);

// The style of `lookId` (205..219); ids outside fall back to the default.
VisualStyle visualStyleFor(int lookId, int office2007Scheme);

// Installs the style and palette application-wide.
void installVisualStyle(const VisualStyle& style);
