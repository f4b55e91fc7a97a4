#pragma once

#include "StatutTransfert.h"

#include <QWidget>

// Five small shapes that fill up as the client opens then downloads, and the status word; the full
// sentence is its tooltip.
class IndicateurStatut final : public QWidget {
    Q_OBJECT

public:
    explicit IndicateurStatut(QWidget* parent = nullptr);

    StatutTransfert::Statut statut() const { return m_statut; }
    // The sentence the indicator stands for ("Téléchargé le … · 3×").
    const QString& ligne() const { return m_ligne; }
    void setStats(const std::optional<StatsTransfert>& stats);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    StatutTransfert::Statut m_statut = StatutTransfert::Statut::inconnu;
    QString m_ligne;
};
