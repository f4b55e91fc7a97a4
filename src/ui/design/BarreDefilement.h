#pragma once

#include <QScrollBar>

// A thin vertical scroll bar in the palette's colours: a rounded thumb, no arrows, no track.
class BarreDefilement final : public QScrollBar {
    Q_OBJECT

public:
    static constexpr int largeur = 10;

    explicit BarreDefilement(QWidget* parent = nullptr);

private:
    void appliquerCouleurs();
};
