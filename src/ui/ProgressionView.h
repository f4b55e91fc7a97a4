#pragma once

#include "CarteEtape.h"

#include <functional>
#include <optional>

class DSBar;
class Libelle;

// The card shown while a flow copies or registers: a title, a bar, a detail line.
class ProgressionView final : public CarteEtape {
    Q_OBJECT

public:
    ProgressionView(const QString& titre, const QString& detail, std::optional<double> progression,
                    QWidget* parent = nullptr);

    void setDetail(const QString& detail);
    // Absent: the bar shows its moving segment.
    void setProgression(std::optional<double> progression);
    // Adds the quiet "Annuler" below the bar, which runs `annuler`.
    void proposerAnnulation(std::function<void()> annuler);

private:
    Libelle* m_titre;
    DSBar* m_barre;
    Libelle* m_detail;
};
