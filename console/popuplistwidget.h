#pragma once

#include <QListWidget>

// The list of the completion popup: as high as its rows up to its maximum
// height, and Tab or Return activate the current item.
class PopupListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit PopupListWidget(QWidget* parent = nullptr);
    ~PopupListWidget() override;

    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};
