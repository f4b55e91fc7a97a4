#pragma once

class QNetworkAccessManager;

// The one HTTP session of the process, owned by the UI thread.
QNetworkAccessManager& reseauPartage();
