#pragma once

#include <QJsonObject>

#include "phone/PhoneRequest.h"

class CCommandDesk;

// Runs a page's command through the desk and words its answer:
//   {"type": "answer", "id": 7, "message": "CH-03 at 6.5 for f/11"}
//   {"type": "error", "id": 7, "error": "Busy", "message": "Busy at the computer"}
// "state" answers with the desk's whole state. A refused command changes nothing.
QJsonObject RunPhoneCommand(const PhoneRequest& request, CCommandDesk& desk);

// An error answer to the request with that id (-1: none).
QJsonObject PhoneError(double id, const QString& name, const QString& message);
