#include "ReseauPartage.h"

#include <QNetworkAccessManager>

QNetworkAccessManager& reseauPartage()
{
    static QNetworkAccessManager reseau;
    return reseau;
}
