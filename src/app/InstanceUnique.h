#pragma once

#include <QFile>
#include <QLocalServer>
#include <QObject>
#include <QString>

// One running application per data folder: the first process holds a lock on a file there and listens
// on a local socket; a later one asks it to come forward and steps aside, so two processes never save
// the same history over each other.
class InstanceUnique final : public QObject {
    Q_OBJECT

public:
    explicit InstanceUnique(const QString& dossierDonnees, QObject* parent = nullptr);

    // True when this process is the first: it keeps the lock and listens from now on. False when
    // another instance holds the lock; that one has been asked to come forward (if it answers).
    bool demarrer();

    // The local socket's name: derived from the data folder, so separate folders never meet.
    QString nomServeur() const { return m_nomServeur; }

Q_SIGNALS:
    // A later launch asked this instance to show itself.
    void activationDemandee();

private:
    void accepter();
    void appelerPremiere() const;

    QFile m_verrou;
    QString m_nomServeur;
    QLocalServer m_serveur;
};
