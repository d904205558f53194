#pragma once

#include <QByteArray>
#include <QString>

class QDomDocument;

// Whether the last part of a path may be a symbolic link.
enum class XmlLinks { kFollowed, kRefused };

// Parses the file at path into document. False when it is missing, not a regular file (as
// found on the opened descriptor: the open never waits for a FIFO's writer), over
// kMaxXmlFileBytes, of a shape no file of ours has (XmlShape.h), or not well-formed XML; with
// kRefused, also when path itself is a link. Text made of blanks only is dropped while parsing.
bool ReadXmlDocument(const QString& path, QDomDocument& document,
                     XmlLinks links = XmlLinks::kFollowed);

// Replaces the file at path with bytes so that the old content stays whole until the new
// content is complete on disk: written to a temporary file, flushed, renamed over the old
// one, then the folder flushed so the rename itself survives a power cut. False when any
// step failed; the old file is then untouched.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);
