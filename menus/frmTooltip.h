#pragma once
// The one tooltip window of the menus (and the news menu's wait box). It never
// takes the focus and stays above the menu windows; gTooltipLoaded is true
// exactly while it is loaded. The windows that use it fill, place and show it
// and unload it to hide it.
#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace menus {

class frmTooltip : public QWidget {
    Q_OBJECT
public:
    // The loaded window, loading it on first touch (like touching lblTooltip).
    static frmTooltip& Load();
    // The loaded window, or nullptr.
    static frmTooltip* Loaded();
    // Unloads the window when it is loaded (hides it and clears the flag).
    static void Unload();

    // Shows `text` just above `anchor` (a screen rectangle in pixels), left
    // at the anchor's left or flush with the right screen edge; an "&" in
    // the text shows as itself.
    static void ShowAt(const QString& text, const QRect& anchor);

    // Places the window for an anchor without showing it.
    void PlaceAbove(const QRect& anchor);

    QLabel* lblTooltip = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    frmTooltip();
    ~frmTooltip() override;
    void Form_Load();
    void Form_Unload();
};

} // namespace menus
