#pragma once

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <algorithm>

// Drags onto a widget, as the platform would: enter, move and, when `lacher`, drop. True when the widget
// accepts every step.
namespace Glisser {

inline bool glisser(QWidget* cible, const QMimeData& donnees, bool lacher)
{
    const QPoint centre = cible->rect().center();
    QDragEnterEvent entree(centre, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent mouvement(centre, Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    QDropEvent depot(QPointF(centre), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    const auto accepte = [cible](QEvent& etape) {
        QCoreApplication::sendEvent(cible, &etape);
        return etape.isAccepted();
    };
    return accepte(entree) && accepte(mouvement) && (!lacher || accepte(depot));
}

// Local files, also offered as text as file managers do (text fields would take that).
inline bool deposer(QWidget* cible, const QStringList& chemins, bool lacher = true)
{
    QMimeData donnees;
    QList<QUrl> urls;
    std::ranges::transform(chemins, std::back_inserter(urls), &QUrl::fromLocalFile);
    donnees.setUrls(urls);
    donnees.setText(chemins.join(u'\n'));
    return glisser(cible, donnees, lacher);
}

} // namespace Glisser
