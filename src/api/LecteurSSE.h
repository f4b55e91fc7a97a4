#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// One event of a server-sent event stream: its name ("message" when none is given) and its data lines.
struct EvenementSSE final {
    QString type;
    QString donnees;

    bool operator==(const EvenementSSE&) const = default;
};

// Cuts a server-sent event stream into events as its bytes arrive, in pieces of any size.
class LecteurSSE final {
public:
    // A line or an event larger than this is not from a server we talk to.
    static constexpr qsizetype tailleMaxParDefaut = 1024 * 1024;

    explicit LecteurSSE(qsizetype tailleMax = tailleMaxParDefaut)
        : m_tailleMax(tailleMax)
    {
    }

    // The events these bytes complete; nothing once an event outgrows the limit (the stream is then
    // unusable).
    std::optional<QList<EvenementSSE>> lire(QByteArrayView octets);

private:
    void traiterLigne(QByteArrayView ligne, QList<EvenementSSE>& evenements);

    qsizetype m_tailleMax;
    QByteArray m_ligne;
    QString m_type;
    QString m_donnees;
    bool m_aDesDonnees = false;
    // The last piece ended on a carriage return: a line feed opening the next one belongs to it.
    bool m_apresRetour = false;
    bool m_debut = true;
    bool m_depasse = false;
};
