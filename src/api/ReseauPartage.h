#pragma once

#include <QtGlobal>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// The one HTTP session of the process, owned by the UI thread.
QNetworkAccessManager& reseauPartage();

// Aborts the answer as soon as it announces or brings more than `plafond` bytes, before they pile up in
// memory; the flag then tells why it ended.
std::shared_ptr<const bool> plafonner(QNetworkReply* reponse, qint64 plafond);
