#pragma once

#include <QString>

// Where the program is found on the session bus. One running program serves one user folder:
// the default user folder's program owns kService, a program working elsewhere owns a name
// made from that folder, so that two folders are two programs with two dongles.
namespace BusNames {

inline constexpr char kService[] = "org.tarnel.RemoteControl";
inline constexpr char kPath[] = "/org/tarnel/RemoteControl";
inline constexpr char kInterface[] = "org.tarnel.RemoteControl1";
// A refusal's error name is this and the refusal's name: "...Error.NotConnected".
inline constexpr char kErrorPrefix[] = "org.tarnel.RemoteControl.Error.";

// <Documents>/Tarnel Remote Control, as the program's --user-folder names it.
QString DefaultUserFolder();
// kService for the default user folder; "org.tarnel.RemoteControl.u<16 hex digits>" (from a
// hash of the canonical path) for any other. A folder that does not exist yet is taken as
// written, made absolute.
QString ServiceFor(const QString& folder);

}  // namespace BusNames
