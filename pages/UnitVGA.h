#pragma once

#include "pages/Page.h"

#include <QImage>

class QComboBox;
class QLabel;

// The VGA page: the pattern list chooses what the board shows on its VGA output, one of
// nine test patterns or the composite input. A change of selection redraws the preview
// and, with an open link, is sent at once; every activation with an open link sends the
// current selection again.
class TFormVGA : public TPage {
    Q_OBJECT

public:
    explicit TFormVGA(QWidget* parent);
    ~TFormVGA() override;

    void Activate(TBoard* board) override;
    void Deactivate() override;

    const QImage& PreviewImage() const { return m_Preview; }

    QLabel* LabelCaption;
    QLabel* LabelPattern;
    QComboBox* ComboBoxVGA;
    QLabel* ImageVGA;

protected:
    void FormPaint() override;
    // The preview is a picture of its own beside the canvas: drawn again for the new ratio.
    void RatioChanged() override;

private:
    void ComboBoxVGAChange(int index);
    void DrawPreview(int index);
    void SendPattern(int index);

    QImage m_Preview;
};
