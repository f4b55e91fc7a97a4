#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class Emplacement;

// The compare tab's drop zone: two slots, before and after; the pair is handed over once both hold
// two different files, and the slots empty again.
class CompareDropZoneView final : public QWidget {
    Q_OBJECT

public:
    explicit CompareDropZoneView(QWidget* parent = nullptr);

    // Receives the pair, before then after.
    std::function<void(const QStringList&)> surDepot;

    std::optional<QString> urlAvant() const;
    std::optional<QString> urlApres() const;

    // Fills the slot `index` (0 before, 1 after) from dropped or chosen files, and the other slot
    // from the second file when it is empty.
    void recevoir(int index, const QStringList& chemins);

private:
    void remettreSiComplet();

    Emplacement* m_avant;
    Emplacement* m_apres;
};
