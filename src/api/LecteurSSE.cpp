#include "api/LecteurSSE.h"

using namespace Qt::StringLiterals;

std::optional<QList<EvenementSSE>> LecteurSSE::lire(QByteArrayView octets)
{
    QList<EvenementSSE> evenements;
    for (const char octet : octets) {
        if (m_depasse) {
            return std::nullopt;
        }
        const bool sautApresRetour = m_apresRetour && octet == '\n';
        m_apresRetour = octet == '\r';
        if (sautApresRetour) {
            continue;
        }
        if (octet == '\r' || octet == '\n') {
            traiterLigne(m_ligne, evenements);
            m_ligne.clear();
            continue;
        }
        m_ligne.append(octet);
        m_depasse = m_ligne.size() + m_donnees.size() > m_tailleMax;
    }
    if (m_depasse) {
        return std::nullopt;
    }
    return evenements;
}

void LecteurSSE::traiterLigne(QByteArrayView ligne, QList<EvenementSSE>& evenements)
{
    if (m_debut && ligne.startsWith("\xEF\xBB\xBF")) {
        ligne = ligne.sliced(3);
    }
    m_debut = false;
    if (ligne.isEmpty()) {
        if (m_aDesDonnees) {
            evenements.append({m_type.isEmpty() ? u"message"_s : m_type, m_donnees});
        }
        m_type.clear();
        m_donnees.clear();
        m_aDesDonnees = false;
        return;
    }
    if (ligne.startsWith(':')) {
        return;
    }
    const qsizetype deuxPoints = ligne.indexOf(':');
    const QByteArrayView champ = deuxPoints < 0 ? ligne : ligne.first(deuxPoints);
    QByteArrayView valeur = deuxPoints < 0 ? QByteArrayView() : ligne.sliced(deuxPoints + 1);
    if (valeur.startsWith(' ')) {
        valeur = valeur.sliced(1);
    }
    if (champ == "event") {
        m_type = QString::fromUtf8(valeur);
    } else if (champ == "data") {
        if (m_aDesDonnees) {
            m_donnees += u'\n';
        }
        m_donnees += QString::fromUtf8(valeur);
        m_aDesDonnees = true;
    }
}
