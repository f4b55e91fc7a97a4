#include "Glisser.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

bool glisser(QWidget* cible, const QMimeData& donnees, bool lacher)
{
    const QPoint centre = cible->rect().center();
    QDragEnterEvent entree(centre, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &entree);
    if (!entree.isAccepted()) {
        return false;
    }
    QDragMoveEvent mouvement(centre, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &mouvement);
    if (!mouvement.isAccepted() || !lacher) {
        return mouvement.isAccepted();
    }
    QDropEvent depot(QPointF(centre), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(cible, &depot);
    return depot.isAccepted();
}

bool glisserFichiers(QWidget* cible, const QStringList& chemins, bool lacher)
{
    QMimeData donnees;
    QList<QUrl> urls;
    for (const QString& chemin : chemins) {
        urls.append(QUrl::fromLocalFile(chemin));
    }
    donnees.setUrls(urls);
    // File managers also offer the paths as text, which text fields would take.
    donnees.setText(chemins.join(u'\n'));
    return glisser(cible, donnees, lacher);
}

} // namespace

namespace Glisser {

bool entrer(QWidget* cible, const QStringList& chemins)
{
    return glisserFichiers(cible, chemins, false);
}

void sortir(QWidget* cible)
{
    QDragLeaveEvent sortie;
    QCoreApplication::sendEvent(cible, &sortie);
}

bool deposer(QWidget* cible, const QStringList& chemins)
{
    return glisserFichiers(cible, chemins, true);
}

bool deposerTexte(QWidget* cible, const QString& texte)
{
    QMimeData donnees;
    donnees.setText(texte);
    return glisser(cible, donnees, true);
}

} // namespace Glisser
