#pragma once

#include "CarteEtape.h"

#include <functional>

// The card shown when sending failed: the message in full and a way back to the drop zone.
class ErreurView final : public CarteEtape {
    Q_OBJECT

public:
    explicit ErreurView(const QString& message, QWidget* parent = nullptr);

    // Run by "Réessayer".
    std::function<void()> surRetour;
};
