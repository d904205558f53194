#pragma once

#include <QByteArrayView>
#include <QStringView>

// The XML parser's time grows with the square of an element's depth and of its number of
// attributes, so that a file of a few hundred kilobytes can hold the program for minutes.
// Our files are four levels deep with three attributes at most; this linear scan refuses
// markup far beyond that before the parser sees it. It also refuses document type
// declarations, which our files never carry, and text without any element.
inline constexpr int kMaxXmlDepth = 32;
inline constexpr int kMaxXmlAttributes = 32;

// For text in an ASCII-compatible encoding (UTF-8, Latin-1).
bool XmlShapeWithinLimits(QByteArrayView text);
// For text already decoded (files in UTF-16 or UTF-32).
bool XmlShapeWithinLimits(QStringView text);
