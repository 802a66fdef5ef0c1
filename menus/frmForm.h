#pragma once
// The form panel: the one window of the menu chain that holds input
// controls. A category whose record names a form-definition file opens this
// panel instead of a submenu; setting ParentCategoryID builds it from that
// file (fetched from the server when missing), and Submit opens the address
// built from the file and the user's input in the browser, then closes the
// chain.
//
// There is one panel at a time: Instance() gives the open one or a new one,
// and Unload() ends it for good, so that every opening builds its controls
// from scratch. Its own fields and lists keep their mouse events: a move
// over one of them gives up the chain's capture so that the control itself
// gets the pointer.
#include "menus/FormDefinition.h"
#include "menus/MenuLevel.h"
#include "menus/Skin.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <vector>

namespace menus {

// A drop-down list that says when its list opens.
class FormCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
signals:
    void DroppedDown();
};

// The panel's canvas: the skin's "Client" tiled, framed, painted whenever
// it is exposed (a stored picture of the whole panel would cost more than
// the painting, as every opening builds a new panel).
class FormCanvas : public QWidget {
    Q_OBJECT
public:
    FormCanvas(const SkinForm& skin, QWidget* parent) : QWidget(parent), skin_(skin) {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SkinForm& skin_;
};

} // namespace menus

class frmForm : public QWidget, public menus::MenuLevel {
    Q_OBJECT
public:
    explicit frmForm(QWidget* parent = nullptr);
    ~frmForm() override;

    // The open panel, or a new one when none is open (or the last one was
    // unloaded).
    static frmForm* Instance();

    // --- members of the chain ---
    QWidget* Window() override { return this; }
    QWidget* ParentForm() const override { return m_ParentForm; }
    void SetParentForm(QWidget* newParentForm) override { m_ParentForm = newParentForm; }
    int ParentCategoryID() const override { return m_ParentCategoryID; }
    // Stores the id, reads the category's Form and builds the panel.
    void SetParentCategoryID(int newParentCategoryID) override;
    bool HaveCapture() const override { return m_HaveCapture; }
    void SetHaveCapture(bool newHaveCapture) override { m_HaveCapture = newHaveCapture; }
    void GetCapture() override;
    void ReleaseFormCapture() override;
    QWidget* picForm() override { return picFormBox; }
    void Unload() override;

    // Time-out of the wait for data of one download (10 s); tests shorten it.
    static void SetDownloadTimeoutMs(int ms);

    menus::SkinForm skinForm;

    // --- controls (public for the tests); element 0 of each array is the
    // invisible template, built controls are 1 upward ---
    menus::FormCanvas* picFormBox = nullptr;
    QPushButton* cmdSubmit = nullptr;
    std::vector<QLabel*> lblText;
    std::vector<QLineEdit*> txtField;
    std::vector<menus::FormCombo*> cboSelect;
    std::vector<QLabel*> imgX;

    // --- state (public for the tests) ---
    QString m_FormFile;
    QString m_SubmitURL;
    std::array<QString, menus::FormDefinition::kMaxHidden> m_Hidden;
    int m_HiddenCount = 0;
    std::array<QStringList, menus::FormDefinition::kMaxSelects + 1> m_SelectValues;

    // The parameter name kept with a text field or list.
    static QString Tag(const QWidget* control);

    // The address Submit hands to the browser: the submit address, "?",
    // then "&" and each hidden line, field and list. Typed text is
    // percent-encoded; everything from the file goes as it stands.
    QString SubmitAddress() const;

    // --- handlers (public so that the tests can drive them directly);
    // positions in the panel's pixels ---
    void picForm_MouseDown(Qt::MouseButton button, const QPoint& p);
    void picForm_MouseMove(const QPoint& p);
    void cmdSubmit_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DrawForm();
    void BuildForm(const menus::FormDefinition& def);
    void AddLabel(const QString& Caption, int Left, int Top);
    void AddTextField(const QString& Name, int Left, int Top, int Width, int MaxLength);
    void AddSelect(const menus::FormSelect& select);
    // False (reported) when the picture cannot be shown.
    bool AddImage(const QString& File, int Left, int Top);
    void IsPointOverChain(QWidget* window, const QPoint& p);
    void CloseChain();
    void txtField_GotFocus(QLineEdit* field);
    void txtField_LostFocus(QLineEdit* field);
    void cboSelect_DropDown(menus::FormCombo* list);
    void cboSelect_LostFocus(menus::FormCombo* list);

    QPointer<QWidget> m_ParentForm;
    int m_ParentCategoryID = 0;
    bool m_HaveCapture = false;
    bool m_Unloaded = false;
    qint64 m_PictureBytes = 0; // decoded pictures so far
};
