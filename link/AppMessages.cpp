#include "link/AppMessages.h"

qintptr SendAppMessage(QObject* target, int message, qintptr wParam, quintptr lParam) {
    if (target == nullptr) {
        return 0;
    }
    CAppMessage event(message, wParam, lParam);
    QCoreApplication::sendEvent(target, &event);
    return event.result;
}

void PostAppMessage(QObject* target, int message, qintptr wParam, quintptr lParam) {
    if (target == nullptr) {
        return;
    }
    QCoreApplication::postEvent(target, new CAppMessage(message, wParam, lParam));
}
