#pragma once

class QHttpServer;

// The page's routes: its three files from the program's resources ("/", "/style.css",
// "/app.js"), each with headers that keep it from loading anything from elsewhere or passing
// its address on, and "/socket", where the page's WebSocket opens. Anything else is not found.
void RoutePhonePage(QHttpServer& server);
