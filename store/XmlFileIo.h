#pragma once

#include <QByteArray>
#include <QString>

class QDomDocument;

// Parses the file at path into document. False when it is missing, not a regular file, over
// kMaxXmlFileBytes, of a shape no file of ours has (XmlShape.h), or not well-formed XML.
// Text made of blanks only is dropped while parsing.
bool ReadXmlDocument(const QString& path, QDomDocument& document);

// Replaces the file at path with bytes so that the old content stays whole until the new
// content is complete on disk: written to a temporary file, flushed, renamed over the old
// one, then the folder flushed so the rename itself survives a power cut. False when any
// step failed; the old file is then untouched.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);
