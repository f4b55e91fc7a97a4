#pragma once

#include "design/ControleValto.h"

#include <QStringList>

#include <functional>

class TransitionSurvol;

// The transfer tab's drop zone: files and folders dropped on it or chosen in the open dialog.
class DropZoneView final : public ControleValto {
    Q_OBJECT

public:
    explicit DropZoneView(QWidget* parent = nullptr);

    // Receives what was dropped or chosen, in order; nothing is filtered here.
    std::function<void(const QStringList&)> surDepot;

    bool survol() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* evenement) override;
    void dragEnterEvent(QDragEnterEvent* evenement) override;
    void dragMoveEvent(QDragMoveEvent* evenement) override;
    void dragLeaveEvent(QDragLeaveEvent* evenement) override;
    void dropEvent(QDropEvent* evenement) override;

private:
    void choisir();
    void deposer(const QStringList& chemins);

    TransitionSurvol* m_survol;
};
