// File names between the toolkit-free layers, which take a name as its bytes,
// and Qt, which holds it as a QString. A Linux file name is any bytes, not
// always UTF-8; Qt's own conversion turns the rest into U+FFFD and so names
// another file. Here each byte that is not part of valid UTF-8 becomes the
// lone surrogate U+DC80..U+DCFF and back, so every name survives the trip.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// The QString of the file name `bytes`; fileNameBytes() gives `bytes` back.
QString fileNameText(std::string_view bytes);
// The bytes of a file name held as fileNameText() made it (or any QString).
std::string fileNameBytes(const QString& name);
// The name as the user reads it: the bytes that are not UTF-8 shown as U+FFFD.
QString shownFileName(const QString& name);
// The absolute form of `name` (from the current folder), by its bytes.
QString absoluteFileName(const QString& name);
// True when `name` is a regular file (symbolic links followed), by its bytes.
bool isRegularFileName(const QString& name);
