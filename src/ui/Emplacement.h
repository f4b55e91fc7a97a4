#pragma once

#include "design/ControleValto.h"

#include <QStringList>

#include <functional>
#include <optional>

class TransitionSurvol;
class ValtoButton;

// One slot of the compare zone ("Avant" or "Après"): empty, it invites a drop; filled, it names its file
// and offers "Retirer".
class Emplacement final : public ControleValto {
    Q_OBJECT

public:
    Emplacement(const QString& titre, const QString& sousTitre, QWidget* parent = nullptr);

    // Hands dropped or chosen files to the parent, which knows the slot's place.
    std::function<void(const QStringList&)> surDepot;

    std::optional<QString> url() const { return m_url; }
    // Equal values change nothing and emit nothing.
    void setUrl(const std::optional<QString>& url);
    bool survol() const;

    // Not a folder (a missing path is not one) and an extension of compare mode, in any case.
    static bool estAcceptable(const QString& chemin);
    static QStringList acceptables(const QStringList& chemins);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void urlChange();

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void resizeEvent(QResizeEvent* evenement) override;
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dragMoveEvent(QDragMoveEvent* evenement) override;
    void dragLeaveEvent(QDragLeaveEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;

private:
    void choisir();
    void placerRetirer();

    QString m_titre;
    QString m_sousTitre;
    std::optional<QString> m_url;
    TransitionSurvol* m_survol;
    ValtoButton* m_retirer;
};
