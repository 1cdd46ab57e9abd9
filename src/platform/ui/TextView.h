#pragma once

#include <QTextEdit>

// A view of plain text (the toolkit's text view): markup in the text is
// shown as it is, never interpreted.
class TextView : public QTextEdit
{
    Q_OBJECT

public:
    explicit TextView(QWidget *parent = nullptr);

    QString text() const { return toPlainText(); }
    void setText(const QString &text);

    Qt::Alignment textAlignment() const { return m_alignment; }
    void setTextAlignment(Qt::Alignment alignment);

    bool isEditable() const { return !isReadOnly(); }
    void setEditable(bool editable) { setReadOnly(!editable); }

private:
    void applyAlignment();

    Qt::Alignment m_alignment = Qt::AlignLeft;
};
