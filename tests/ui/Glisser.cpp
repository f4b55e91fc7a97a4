#include "Glisser.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <memory>

namespace {

bool entrerAvec(QWidget* cible, const QMimeData& donnees)
{
    const QPoint centre = cible->rect().center();
    QDragEnterEvent entree(centre, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &entree);
    if (!entree.isAccepted()) {
        return false;
    }
    QDragMoveEvent mouvement(centre, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &mouvement);
    return mouvement.isAccepted();
}

bool deposerAvec(QWidget* cible, const QMimeData& donnees)
{
    if (!entrerAvec(cible, donnees)) {
        return false;
    }
    QDropEvent depot(QPointF(cible->rect().center()), Qt::CopyAction, &donnees, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &depot);
    return depot.isAccepted();
}

QMimeData* fichiers(const QStringList& chemins)
{
    auto* donnees = new QMimeData;
    QList<QUrl> urls;
    for (const QString& chemin : chemins) {
        urls.append(QUrl::fromLocalFile(chemin));
    }
    donnees->setUrls(urls);
    // File managers also offer the paths as text, which text fields would take.
    donnees->setText(chemins.join(u'\n'));
    return donnees;
}

} // namespace

namespace Glisser {

bool entrer(QWidget* cible, const QStringList& chemins)
{
    const std::unique_ptr<QMimeData> donnees(fichiers(chemins));
    return entrerAvec(cible, *donnees);
}

void sortir(QWidget* cible)
{
    QDragLeaveEvent sortie;
    QCoreApplication::sendEvent(cible, &sortie);
}

bool deposer(QWidget* cible, const QStringList& chemins)
{
    const std::unique_ptr<QMimeData> donnees(fichiers(chemins));
    return deposerAvec(cible, *donnees);
}

bool deposerTexte(QWidget* cible, const QString& texte)
{
    QMimeData donnees;
    donnees.setText(texte);
    return deposerAvec(cible, donnees);
}

} // namespace Glisser
