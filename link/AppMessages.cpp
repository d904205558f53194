#include "link/AppMessages.h"

namespace {

qintptr Send(QObject* target, CAppMessage&& event) {
    if (target == nullptr) {
        return 0;
    }
    QCoreApplication::sendEvent(target, &event);
    return event.result;
}

void Post(QObject* target, int message, qintptr wParam, quintptr lParam, const UnitRef& unit) {
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new CAppMessage(message, wParam, lParam, unit));
    }
}

}  // namespace

qintptr SendAppMessage(QObject* target, int message, qintptr wParam, quintptr lParam) {
    return Send(target, CAppMessage(message, wParam, lParam));
}

void PostAppMessage(QObject* target, int message, qintptr wParam, quintptr lParam) {
    Post(target, message, wParam, lParam, {});
}

qintptr SendUnitMessage(QObject* target, int message, qintptr wParam, const UnitRef& unit) {
    return Send(target, CAppMessage(message, wParam, 0, unit));
}

void PostUnitMessage(QObject* target, int message, qintptr wParam, const UnitRef& unit) {
    Post(target, message, wParam, 0, unit);
}
