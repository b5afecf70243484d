#pragma once

#include "controls/backbuffer.h"
#include "controls/buttonpicture.h"
#include "controls/colours.h"

#include <QObject>
#include <QRegion>

#include <array>
#include <optional>

class QMimeData;

namespace controls {

class ButtonHost;
class PropertyBag;

// Bits of ctlButton::StateFlags.
namespace ButtonState {
inline constexpr qint16 StateDefault = 1;
inline constexpr qint16 StatePressed = 2;
inline constexpr qint16 StateOver = 4;
inline constexpr qint16 StateMoved = 1024;
} // namespace ButtonState

// The hover check's timer and period.
inline constexpr int HoverTimerId = 237;
inline constexpr int HoverTimerPeriod = 50;

// The edge lines a style painter chooses and DrawBevel draws: 16 points and 12 colours (1..12, -1 no line).
struct EdgeTable
{
    std::array<QPoint, 16> points{};
    std::array<OleColour, 13> colours{};
};

// The program's own button: a push button, check box or option button drawn by itself in one of eight
// styles and nine window shapes, with caption, picture, gradient and hover colours. It lives behind a
// ButtonHost, which gives it its window and form; everything it draws goes through one back buffer.
class ctlButton final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ctlButton)

public:
    explicit ctlButton(ButtonHost &host, QObject *parent = nullptr);
    ~ctlButton() override;

    // Public members, in their order.
    qint32 ButtonStyle() const { return m_buttonStyle; }
    void setButtonStyle(qint32 style);
    qint32 Mode() const { return m_mode; }
    void setMode(qint32 mode);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    qint32 CaptionAlign() const { return m_captionAlign; }
    void setCaptionAlign(qint32 align);
    qint32 CaptionStyle() const { return m_captionStyle; }
    void setCaptionStyle(qint32 style);
    qint32 CustomClick() const { return m_customClick; }
    void setCustomClick(qint32 click);
    qint32 ButtonShape() const { return m_buttonShape; }
    void setButtonShape(qint32 shape);
    ButtonPicture Picture() const { return m_picture; }
    void setPicture(const ButtonPicture &picture);
    qint32 PictureAlign() const { return m_pictureAlign; }
    void setPictureAlign(qint32 align);
    bool Enabled() const;
    void setEnabled(bool enabled);
    bool ShowFocusRect() const { return m_showFocus; }
    void setShowFocusRect(bool show);
    bool Value() const { return m_value; }
    void setValue(bool value);
    qint32 PictureSize();
    void setPictureSize(qint32 size);
    qint16 MousePointer() const;
    void setMousePointer(qint16 pointer);
    ButtonPicture MouseIcon() const;
    void setMouseIcon(const ButtonPicture &icon);
    QFont Font() const;
    void setFont(const QFont &font);
    qint32 FontStyle() const;
    void setFontStyle(qint32 style);
    OleColour ForeColor() const;
    void setForeColor(OleColour colour);
    OleColour BackColor() const { return m_backColor; }
    void setBackColor(OleColour colour);
    OleColour GradientColor() const { return m_gradientColor; }
    void setGradientColor(OleColour colour);
    qint32 GradientMode() const { return m_gradientMode; }
    void setGradientMode(qint32 mode);
    bool ResetDefaultColors() const { return false; }
    void setResetDefaultColors(bool reset);
    qint32 HoverColorLocks() const { return m_hoverLocks; }
    void setHoverColorLocks(qint32 locks);
    OleColour HoverForeColor() const { return m_hoverForeColor; }
    void setHoverForeColor(OleColour colour);
    OleColour HoverBackColor() const { return m_hoverBackColor; }
    void setHoverBackColor(OleColour colour);
    // The surface the control draws on (its back buffer) and its window.
    const QImage *hDC() const { return &m_buffer.image(); }
    const ButtonHost *hwnd() const { return &m_host; }
    void Refresh();
    void DelayDrawing(bool bDelay);

    // Start-up and saving, called by the host.
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag &PropBag);
    void UserControl_WriteProperties(PropertyBag &PropBag) const;
    void UserControl_Show();

    // Notifications from the host.
    void UserControl_MouseDown(qint16 Button, qint16 Shift, float X, float Y);
    void UserControl_MouseMove(qint16 Button, qint16 Shift, float X, float Y);
    void UserControl_MouseUp(qint16 Button, qint16 Shift, float X, float Y);
    void UserControl_Click();
    void UserControl_DblClick();
    void UserControl_KeyDown(qint16 &KeyCode, qint16 &Shift);
    void UserControl_KeyUp(qint16 &KeyCode, qint16 &Shift);
    void UserControl_KeyPress(qint16 &KeyAscii);
    void UserControl_AccessKeyPress(qint16 KeyAscii);
    // The host lost the focus or the mouse while a press was going on: the press ends without a Click
    // and the button draws idle.
    void EndPress();
    void UserControl_GotFocus();
    void UserControl_AmbientChanged(const QString &PropertyName);
    // Drag and drop, when the host forwards it: each raises the event of the same name as it stands.
    void UserControl_OLECompleteDrag(qint32 &Effect);
    void UserControl_OLEDragDrop(const QMimeData *Data, qint32 &Effect, qint16 &Button, qint16 &Shift, float &X,
                                 float &Y);
    void UserControl_OLEDragOver(const QMimeData *Data, qint32 &Effect, qint16 &Button, qint16 &Shift, float &X,
                                 float &Y, qint16 &State);
    void UserControl_OLEGiveFeedback(qint32 &Effect, bool &DefaultCursors);
    void UserControl_OLESetData(QMimeData *Data, qint16 &DataFormat);
    void UserControl_OLEStartDrag(QMimeData *Data, qint32 &AllowedEffects);
    void UserControl_Paint();
    void UserControl_Resize();
    void UserControl_Terminate();
    // The host's Enabled changed (by the form or through the Enabled member).
    void HostEnabledChanged();
    // The hover timer's call: ends the hover once another window is under the cursor.
    void CheckHoverEnd(int timerId);
    // The host is moving the control to another container window: an option button leaves the group of
    // the old one before the move and joins that of the new one after it.
    void LeaveOptionGroup();
    void JoinOptionGroup();

    // What the drawing code laid out and drew, for the host and for inspection.
    qint16 StateFlags() const { return m_stateFlags; }
    bool Hovering() const { return m_hovering; }
    bool HeldDown() const { return m_heldDown; }
    qint16 LastButton() const { return m_lastButton; }
    bool isDelayingDrawing() const { return m_delayDrawing; }
    bool showsPressed() const;
    const QImage &backBuffer() const { return m_buffer.image(); }
    const QFont &drawingFont() const { return m_buffer.font(); }
    Rect CaptionRect() const { return m_captionRect; }
    Rect PictureRect() const { return m_pictureRect; }
    int ShapeLeft() const { return m_shapeLeft; }
    int ShapeRight() const { return m_shapeRight; }
    QSize pictureMeasure() const { return {m_pictureWidth, m_pictureHeight}; }
    const std::optional<QRegion> &InnerRegion1() const { return m_innerRegion1; }
    const std::optional<QRegion> &InnerRegion2() const { return m_innerRegion2; }

    // Drawing steps others use as they stand.
    qint32 pictureBoxSize() const { return m_pictureBoxSize; }
    QSize FitPictureSize(int boxWidth, int boxHeight) const;

signals:
    void MouseDown(qint16 &Button, qint16 &Shift, float &X, float &Y);
    void MouseUp(qint16 &Button, qint16 &Shift, float &X, float &Y);
    void MouseMove(qint16 &Button, qint16 &Shift, float &X, float &Y);
    void KeyDown(qint16 &KeyCode, qint16 &Shift);
    void KeyPress(qint16 &KeyAscii);
    void KeyUp(qint16 &KeyCode, qint16 &Shift);
    void MouseOnButton(bool &OnButton);
    void Click();
    void DoubleClick(qint16 &Button);
    void OLECompleteDrag(qint32 &Effect);
    void OLEDragDrop(const QMimeData *Data, qint32 &Effect, qint16 &Button, qint16 &Shift, float &X, float &Y);
    void OLEDragOver(const QMimeData *Data, qint32 &Effect, qint16 &Button, qint16 &Shift, float &X, float &Y,
                     qint16 &State);
    void OLEGiveFeedback(qint32 &Effect, bool &DefaultCursors);
    // The handler fills the data of a drag the button starts.
    void OLESetData(QMimeData *Data, qint16 &DataFormat);
    void OLEStartDrag(QMimeData *Data, qint32 &AllowedEffects);

private:
    using Painter = void (ctlButton::*)(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);

    // Input and groups.
    void hoverStart(qint16 Button);
    bool OptionToggle(qint16 action);
    ctlButton *optionSlot(int slot) const;
    bool MoveForCustomClick();
    void hint(const char *text, const char *title = nullptr);
    bool designTime() const;

    // Drawing pipeline.
    void RedrawButton();
    void ManageBackBuffer(bool create);
    void UpdateDrawingResource(const QString &aspect);
    void updateFont();
    void updateFaceColours();
    void FillButtonFace(OleColour face, qint16 &edgeState, qint16 &clipResult, OleColour gradient, OleColour hover);
    void DrawGradient(OleColour colour1, OleColour colour2);
    // `hoverText`, when given, is the caption colour while hovering in place of HoverForeColor.
    void DrawCaptionAndPicture(OleColour face, OleColour text, bool pressedByValue, bool singlePass,
                               std::optional<OleColour> hoverText = std::nullopt);
    void DrawFocusFrame(OleColour colour, bool solid, bool &aroundCaption, const EdgeTable &edges);
    OleColour sysColour(OleColour colour) const;
    int scaleWidth() const;
    int scaleHeight() const;

    // Layout and pictures.
    void measurePicture();
    void LayoutCaptionAndPicture(bool rebuildPicture);
    void PreparePictureImage(int width, int height, QRegion *region);
    void DrawPicture(Rect rect);

    // Shapes.
    void BuildButtonRegion();
    void PrepareShapeClip(qint16 &clipResult);
    void outlineShapedWindow(OleColour frameColour, qint16 clipResult);
    void clipTo(const std::optional<QRegion> &region);
    // A vertical ramp over the buffer (within its clip), whatever the gradient mode.
    void drawRamp(OleColour top, OleColour bottom);
    QRegion cutCorners(QRegion region, bool left, bool right) const;
    // Resizes the window for its shape with drawing suspended, and the buffer with it.
    void resizeFromShape(QSize size);

    // Style painters.
    static Painter painterOf(qint32 style);
    void DrawBevel(EdgeTable &edges, int outerStyle);
    void finishPainting(EdgeTable &edges, qint16 &clipResult, OleColour frameColour, bool solid, bool aroundCaption);
    bool valueLook() const;
    OleColour plainFace() const;
    OleColour plainText() const;
    OleColour bevelFrame(OleColour face, OleColour text) const;
    // The first steps of the styles that keep the plain face: face, picture and caption; false when the
    // face fill drew nothing.
    bool paintPlainFace(qint16 &edgeState, qint16 &clipResult, OleColour &face, OleColour &text);
    void paintRaisedOrSunken(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult, bool twoTone);
    void PaintGreyBevel(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);
    void PaintTwoToneBevel(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);
    void PaintRoundedHotTrack(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);
    void PaintShadedEdge(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);
    void PaintSingleRing(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);
    void PaintRoundedArc(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);
    void PaintLightEdge(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);
    void PaintRoundedShaded(EdgeTable &edges, qint16 &edgeState, qint16 &clipResult);

    ButtonHost &m_host;

    QString m_caption;
    qint32 m_captionAlign = 0;
    qint32 m_captionStyle = 0;
    qint32 m_buttonStyle = 0;
    qint16 m_stateFlags = 0;
    qint32 m_buttonShape = 0;
    bool m_showFocus = false;
    OleColour m_hoverBackColor = 0;
    OleColour m_hoverForeColor = 0;
    qint32 m_hoverLocks = 0;
    qint32 m_gradientMode = 0;
    OleColour m_gradientColor = 0;
    qint32 m_mode = 0;
    bool m_value = false;
    qint32 m_customClick = 0;
    ButtonPicture m_picture;
    qint32 m_pictureAlign = 0;
    qint16 m_pictureBoxSize = 0;
    int m_pictureWidth = 0;
    int m_pictureHeight = 0;
    bool m_pictureIsIcon = false;
    bool m_delayDrawing = false;
    OleColour m_backColor = 0;
    qint16 m_lastButton = 0;
    bool m_hovering = false;
    OleColour m_containerColor = 0;
    bool m_heldDown = false;
    // The press going on began with Space.
    bool m_keyPress = false;
    bool m_registeredInGroup = false;

    BackBuffer m_buffer;
    OleColour m_faceColor = 0;
    OleColour m_shadeColor = 0;
    OleColour m_hoverFaceColor = 0;
    OleColour m_valueFaceColor = 0;
    int m_shapeLeft = 0;
    int m_shapeRight = 0;
    std::optional<QRegion> m_innerRegion1;
    std::optional<QRegion> m_innerRegion2;
    Rect m_captionRect;
    Rect m_pictureRect;
    std::optional<QImage> m_scaledPicture;
};

} // namespace controls
