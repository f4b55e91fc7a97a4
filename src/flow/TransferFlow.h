#pragma once

#include "core/Plateforme.h"
#include "flow/Etape.h"
#include "flow/Mode.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <stop_token>

struct CorpsCreation;
struct Placement;
class HistoryStore;
class Preferences;

// Takes the user from dropped files to a registered link, one step at a time; the screens observe it.
class TransferFlow final : public QObject {
    Q_OBJECT
    Q_PROPERTY(Etape etape READ etape NOTIFY etapeChanged)
    Q_PROPERTY(QStringList urls READ urls NOTIFY urlsChanged)
    Q_PROPERTY(qint64 octetsTotal READ octetsTotal NOTIFY octetsTotalChanged)
    Q_PROPERTY(QString titre READ titre WRITE setTitre NOTIFY titreChanged)
    Q_PROPERTY(
        qint64 expirationJours READ expirationJours WRITE setExpirationJours NOTIFY expirationJoursChanged)
    Q_PROPERTY(QString motDePasse READ motDePasse WRITE setMotDePasse NOTIFY motDePasseChanged)
    Q_PROPERTY(qint64 octetsCopies READ octetsCopies NOTIFY octetsCopiesChanged)
    Q_PROPERTY(qint64 octetsACopier READ octetsACopier NOTIFY octetsACopierChanged)
    Q_PROPERTY(double progression READ progression NOTIFY progressionChanged)

public:
    static inline const QSet<QString> extensionsCompare = {
        QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"), QStringLiteral("webp"),
        QStringLiteral("gif"), QStringLiteral("svg"),  QStringLiteral("pdf")};

    TransferFlow(Mode mode, Preferences& preferences, Plateforme plateforme, QObject* parent = nullptr);
    ~TransferFlow() override;

    Mode mode() const { return m_mode; }
    Etape etape() const { return m_etape; }
    QStringList urls() const { return m_urls; }
    qint64 octetsTotal() const { return m_octetsTotal; }
    QString titre() const { return m_titre; }
    qint64 expirationJours() const { return m_expirationJours; }
    QString motDePasse() const { return m_motDePasse; }
    qint64 octetsCopies() const { return m_octetsCopies; }
    qint64 octetsACopier() const { return m_octetsACopier; }
    double progression() const;

    void setTitre(const QString& titre);
    void setExpirationJours(qint64 jours);
    void setMotDePasse(const QString& motDePasse);

    void ajouter(const QStringList& chemins);
    void retirer(const QString& chemin);
    // Also abandons a send under way: its copy stops and its folder is removed.
    void reinitialiser();
    // Starts the send run and returns at once; ignored unless the flow is ready and idle.
    void envoyer(HistoryStore& historique);
    bool envoiEnCours() const { return m_envoiEnCours; }
    // Copying or registering, as the screens show it.
    bool transfertEnCours() const;
    // A send run, abandoned or not, still has work on a worker or the server (a folder to remove included).
    bool travailEnCours() const { return m_travaux > 0; }

    QString titreParDefaut(const QStringList& chemins) const;

Q_SIGNALS:
    void etapeChanged();
    void urlsChanged();
    void octetsTotalChanged();
    void titreChanged();
    void expirationJoursChanged();
    void motDePasseChanged();
    void octetsCopiesChanged();
    void octetsACopierChanged();
    void progressionChanged();
    // The last send run ended, its folder removed if it had to be.
    void travailTermine();

private:
    QCoro::Task<> executerEnvoi(quint64 numero, QString token, QString dossierCopies,
                                QPointer<HistoryStore> historique, std::stop_token arret);
    QCoro::Task<> compterTaille();
    void finirTravail();
    bool pretAEnvoyer() const;
    CorpsCreation corpsCreation(const QString& token, const Placement& placement,
                                const QStringList& nomsCopies);
    QStringList ordreComparaison(const Placement& placement, const QStringList& nomsCopies) const;
    void echouer(const QString& message);
    bool estAcceptable(const QString& chemin) const;
    void setEtape(const Etape& etape);
    void setUrls(const QStringList& urls);
    void setOctetsTotal(qint64 octets);
    void setOctetsCopies(qint64 octets);
    void setOctetsACopier(qint64 octets);

    const Mode m_mode;
    Preferences& m_preferences;
    const Plateforme m_plateforme;

    Etape m_etape;
    QStringList m_urls;
    qint64 m_octetsTotal = 0;
    QString m_titre;
    qint64 m_expirationJours = 0;
    QString m_motDePasse;
    qint64 m_octetsCopies = 0;
    qint64 m_octetsACopier = 0;
    bool m_envoiEnCours = false;
    // Numbers the send runs; a run whose number is no longer current was cancelled.
    quint64 m_numeroEnvoi = 0;
    // Numbers the size counts; only the latest one's total is kept.
    quint64 m_numeroComptage = 0;
    // Stops the workers and requests of the current choice of files.
    std::stop_source m_arret;
    int m_travaux = 0;
};
