#pragma once

#include <QString>

// `texte` without the characters at both ends for which `aRetirer` holds; inner ones stay.
template <typename Predicat> QString rogner(const QString& texte, Predicat aRetirer)
{
    qsizetype debut = 0;
    qsizetype fin = texte.size();
    while (debut < fin && aRetirer(texte.at(debut))) {
        ++debut;
    }
    while (fin > debut && aRetirer(texte.at(fin - 1))) {
        --fin;
    }
    return texte.mid(debut, fin - debut);
}
