#include "api/ReseauPartage.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>

QNetworkAccessManager& reseauPartage()
{
    // Owned by the application object, so it goes before Qt's own teardown.
    static QNetworkAccessManager* const reseau = new QNetworkAccessManager(QCoreApplication::instance());
    return *reseau;
}

std::shared_ptr<const bool> plafonner(QNetworkReply* reponse, qint64 plafond)
{
    auto depasse = std::make_shared<bool>(false);
    QObject::connect(reponse, &QNetworkReply::downloadProgress, reponse,
                     [reponse, depasse, plafond](qint64 recus, qint64 annonces) {
                         if (recus > plafond || annonces > plafond) {
                             *depasse = true;
                             reponse->abort();
                         }
                     });
    return depasse;
}
