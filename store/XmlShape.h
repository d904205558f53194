#pragma once

#include <QStringView>

// The XML parser's time grows with the square of an element's depth and of its number of
// attributes, so that a file of a few hundred kilobytes can hold the program for minutes.
// Our files are four levels deep with three attributes at most; this linear scan refuses
// markup far beyond that before the parser sees it. It also refuses document type
// declarations, which our files never carry, and text without any element.
inline constexpr int kMaxXmlDepth = 32;
inline constexpr int kMaxXmlAttributes = 32;

// text is the decoded file.
bool XmlShapeWithinLimits(QStringView text);
