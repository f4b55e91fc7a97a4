#include "SelecteurFichiers.h"

namespace {

SelecteurFichiers::Selecteur& remplacant()
{
    static SelecteurFichiers::Selecteur selecteur;
    return selecteur;
}

} // namespace

namespace SelecteurFichiers {

QStringList choisir(QWidget* parent, const DemandeFichiers& demande)
{
    if (remplacant()) {
        return remplacant()(parent, demande);
    }
    return dialoguePlateforme(parent, demande);
}

void remplacer(Selecteur selecteur)
{
    remplacant() = std::move(selecteur);
}

} // namespace SelecteurFichiers
