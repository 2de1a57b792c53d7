#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

// The user guide window: the guide (one HTML file with its images beside it)
// in a browser with back and forward, a list of the guide's chapters and
// sections to jump to, and a search box that finds the next occurrence of its
// text, going on from the top after the end. It is a window of its own, so the
// user keeps working in the main window while reading. The browser has the
// whole width, so the guide's pictures of the main window show at full size.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the guide file from its start. False when it cannot be read.
    bool openGuide(const QString& path);
    QString guidePath() const { return m_path; }

    QTextBrowser* browser() const { return m_browser; }
    QComboBox* contents() const { return m_contents; }
    QLineEdit* findBox() const { return m_txtFind; }

public slots:
    // Selects the next occurrence of the search box's text after the cursor,
    // from the top again when none follows. False when the text is nowhere.
    bool findNext();

private:
    // The chapters (h2) and sections (h3) of the guide that carry an anchor.
    void buildContents();
    void contentsChosen(int index);

    QString m_path;
    QTextBrowser* m_browser;
    QComboBox* m_contents;
    QPushButton* m_cmdBack;
    QPushButton* m_cmdForward;
    QPushButton* m_cmdHome;
    QLineEdit* m_txtFind;
    QPushButton* m_cmdFind;
    QLabel* m_lblFind;
};
