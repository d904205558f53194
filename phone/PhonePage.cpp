#include "phone/PhonePage.h"

#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>

namespace {

struct PageFile {
    const char* path;
    const char* resource;
    const char* type;
};
constexpr PageFile kPageFiles[] = {
    {"/", ":/phone/index.html", "text/html; charset=utf-8"},
    {"/style.css", ":/phone/style.css", "text/css; charset=utf-8"},
    {"/app.js", ":/phone/app.js", "text/javascript; charset=utf-8"},
};

QHttpServerResponse PageResponse(const PageFile& file) {
    QFile resource(QString::fromLatin1(file.resource));
    if (!resource.open(QIODevice::ReadOnly)) {
        return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
    }
    QHttpServerResponse response(QByteArray(file.type), resource.readAll());
    // Nothing from elsewhere, no address (with its code) passed on, nothing kept stale.
    response.setHeader("Content-Security-Policy",
                       "default-src 'self'; connect-src 'self'; img-src 'self' data:; "
                       "frame-ancestors 'none'");
    response.setHeader("Referrer-Policy", "no-referrer");
    response.setHeader("X-Content-Type-Options", "nosniff");
    response.setHeader("Cache-Control", "no-store");
    return response;
}

}  // namespace

void RoutePhonePage(QHttpServer& server) {
    for (const PageFile& file : kPageFiles) {
        server.route(QString::fromLatin1(file.path), [&file] { return PageResponse(file); });
    }
    // Qt hands an upgrade to its WebSocket server only when a route took the request; this
    // one answers nothing then, so that the handshake is the socket's first answer.
    server.route(QStringLiteral("/socket"),
                 [](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                     if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) != 0) {
                         responder.write(QHttpServerResponder::StatusCode::BadRequest);
                     }
                 });
}
