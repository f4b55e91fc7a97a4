#include "api/ReseauPartage.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

QNetworkAccessManager& reseauPartage()
{
    // Owned by the application object, so it goes before Qt's own teardown.
    static QNetworkAccessManager* const reseau = new QNetworkAccessManager(QCoreApplication::instance());
    return *reseau;
}
