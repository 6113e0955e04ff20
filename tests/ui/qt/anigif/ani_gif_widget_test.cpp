// The Qt host of the GIF control: real timers, painting, units, input,
// pointers and the control's life inside the widget.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/host/control_surface.h"
#include "platform/picture/picture.h"
#include "ui/qt/anigif/ani_gif_widget.h"
#include "ui/qt/anigif/control_timers.h"
#include "ui/qt/anigif/input_mapping.h"
#include "tests/testing/gif_blocks.h"
#include "tests/ui/qt/anigif/test_gifs.h"

namespace veltrano::qtgif {
namespace {

using testing::FrameColor;
using testing::LoadBytes;
using testing::SolidFrames;

constexpr int kWaitMs = 3000;

struct FrameEvent {
  int32_t index;
  bool viaTimer;
};

TEST(AniGifWidgetTest, PlaysOnRealTimersAndPresentsEachFrame) {
  AniGifWidget widget;
  widget.resize(40, 20);
  std::vector<FrameEvent> events;
  widget.Control().Events().FrameChanged = [&](int32_t i, bool t) { events.push_back({i, t}); };
  widget.Control().SetMinFrameDelay(10);
  ASSERT_TRUE(LoadBytes(widget.Control(), SolidFrames(40, 20, 3)));

  // A repaint renders at once, also before the widget is ever shown.
  EXPECT_EQ(widget.Control().CurrentFrame(), 1);
  const int renders = widget.RenderCount();
  widget.Control().Refresh();
  EXPECT_EQ(widget.RenderCount(), renders + 1);
  ASSERT_EQ(widget.Frame().size(), QSize(40, 20));
  EXPECT_EQ(widget.Frame().pixelColor(10, 10), FrameColor(1));

  widget.show();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return std::count_if(events.begin(), events.end(), [](auto& e) { return e.viaTimer; }) >= 4;
      },
      kWaitMs));
  // The clock reports the frame that was on screen before each tick, in order.
  std::vector<int32_t> ticks;
  for (const FrameEvent& e : events) {
    if (e.viaTimer) ticks.push_back(e.index);
  }
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_EQ(ticks[i], ticks[i - 1] % 3 + 1);
  EXPECT_EQ(widget.Control().Action(), 1);

  // Whatever frame is current, the grab of the widget shows its colour,
  // over the whole widget.
  for (int round = 0; round < 3; ++round) {
    const int32_t frame = widget.Control().CurrentFrame();
    const QImage shot = widget.grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, 0), FrameColor(frame)) << "frame " << frame;
    EXPECT_EQ(shot.pixelColor(39, 19), FrameColor(frame)) << "frame " << frame;
    QTest::qWait(15);
  }
}

TEST(AniGifWidgetTest, AWidgetTooLargeForASurfacePaintsNothingAndAllocatesNothing) {
  AniGifWidget widget;
  widget.resize(40, 20);
  ASSERT_TRUE(LoadBytes(widget.Control(), SolidFrames(40, 20, 2)));
  widget.Control().Refresh();
  ASSERT_EQ(widget.Frame().size(), QSize(40, 20));
  const int renders = widget.RenderCount();
  const size_t withSurface = gdi::LiveObjectCount();

  // 9000 x 8000 x 4 bytes is above the surface budget: the repaint is
  // refused before a bitmap is made, the old surface and frame are let go,
  // and nothing is presented.
  widget.resize(9000, 8000);
  static_assert(uint64_t{9000} * 8000 * 4 > host::ControlSurface::kMaxBytes);
  widget.Control().Refresh();
  EXPECT_EQ(widget.RenderCount(), renders);
  EXPECT_TRUE(widget.Frame().isNull());
  EXPECT_EQ(gdi::LiveObjectCount(), withSurface - 2);  // its DC and bitmap are gone
  widget.Control().Refresh();
  EXPECT_EQ(widget.RenderCount(), renders);
  EXPECT_EQ(gdi::LiveObjectCount(), withSurface - 2);

  // Back within the budget the control paints again.
  widget.resize(40, 20);
  widget.Control().Refresh();
  EXPECT_EQ(widget.RenderCount(), renders + 1);
  ASSERT_EQ(widget.Frame().size(), QSize(40, 20));
  EXPECT_EQ(widget.Frame().pixelColor(10, 10), FrameColor(widget.Control().CurrentFrame()));
  EXPECT_EQ(gdi::LiveObjectCount(), withSurface);
}

TEST(AniGifWidgetTest, PausesWhenHiddenAndResumesWhenShown) {
  AniGifWidget widget;
  widget.resize(8, 4);
  widget.Control().SetMinFrameDelay(10);
  ASSERT_TRUE(LoadBytes(widget.Control(), SolidFrames(8, 4, 2)));
  widget.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return widget.Control().Action() == 1; }, kWaitMs));
  widget.hide();
  EXPECT_EQ(widget.Control().Action(), 2);
  EXPECT_EQ(widget.Timers().ArmedCount(), 0u);
  const int32_t frame = widget.Control().CurrentFrame();
  QTest::qWait(60);
  EXPECT_EQ(widget.Control().CurrentFrame(), frame);
  widget.show();
  EXPECT_EQ(widget.Control().Action(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return widget.Control().CurrentFrame() != frame; }, kWaitMs));
}

TEST(AniGifWidgetTest, NoCallbackAfterTheWidgetIsGone) {
  auto widget = std::make_unique<AniGifWidget>();
  widget->resize(8, 4);
  auto frames = std::make_shared<int>(0);
  widget->Control().Events().FrameChanged = [frames](int32_t, bool t) {
    if (t) ++*frames;
  };
  widget->Control().SetMinFrameDelay(10);
  ASSERT_TRUE(LoadBytes(widget->Control(), SolidFrames(8, 4, 3)));
  // A timer of the host's own, armed by someone other than the control.
  auto stray = std::make_shared<int>(0);
  ASSERT_TRUE(widget->SetTimer(7, 5, [stray](const host::TimerTick&) { ++*stray; }));
  widget->show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return *frames >= 2 && *stray >= 1; }, kWaitMs));

  widget.reset();
  const int framesAtEnd = *frames;
  const int strayAtEnd = *stray;
  QTest::qWait(80);
  EXPECT_EQ(*frames, framesAtEnd);
  EXPECT_EQ(*stray, strayAtEnd);
}

TEST(ControlTimersTest, ArmReplaceKillAndRouteToTheArmingOwner) {
  ControlTimers a([] { return intptr_t{11}; });
  ControlTimers b([] { return intptr_t{22}; });
  std::vector<std::pair<char, host::TimerTick>> fired;
  auto recorder = [&](char who) {
    return [&fired, who](const host::TimerTick& t) { fired.emplace_back(who, t); };
  };
  ASSERT_TRUE(a.Set(5, 60000, recorder('x')));
  ASSERT_TRUE(a.Set(5, 5, recorder('a')));  // same identifier: replaces
  EXPECT_EQ(a.ArmedCount(), 1u);
  EXPECT_EQ(a.IntervalOf(5), 5u);
  ASSERT_TRUE(b.Set(5, 5, recorder('b')));  // same identifier, other owner
  EXPECT_FALSE(a.Set(6, 5, nullptr));
  EXPECT_FALSE(a.Kill(6));

  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return std::count_if(fired.begin(), fired.end(), [](auto& f) { return f.first == 'a'; }) >=
                   2 &&
               std::count_if(fired.begin(), fired.end(), [](auto& f) { return f.first == 'b'; }) >=
                   2;
      },
      kWaitMs));
  for (const auto& [who, tick] : fired) {
    EXPECT_NE(who, 'x');
    EXPECT_EQ(tick.timerId, 5u);
    EXPECT_EQ(tick.message, 0x0113u);
    EXPECT_EQ(tick.window, who == 'a' ? 11 : 22);
  }

  // A callback that kills its own timer is not called again.
  fired.clear();
  ASSERT_TRUE(a.Set(9, 1, [&](const host::TimerTick& t) {
    fired.emplace_back('k', t);
    a.Kill(9);
  }));
  EXPECT_TRUE(b.Kill(5));
  EXPECT_TRUE(a.Kill(5));
  QTest::qWait(40);
  EXPECT_EQ(fired.size(), 1u);
  EXPECT_EQ(a.ArmedCount(), 0u);
}

TEST(AniGifWidgetTest, SizesAndUnitsAreTwipsAtFifteenPerPixel) {
  AniGifWidget widget;
  EXPECT_DOUBLE_EQ(widget.Convert(30, host::Axis::kHorizontal, host::ScaleUnit::kPixels,
                                  host::ScaleUnit::kTwips),
                   450.0);
  EXPECT_DOUBLE_EQ(widget.Convert(975, host::Axis::kVertical, host::ScaleUnit::kContainerSize,
                                  host::ScaleUnit::kPixels),
                   65.0);
  widget.SetSize(6750, 975);
  EXPECT_EQ(widget.size(), QSize(450, 65));
  EXPECT_DOUBLE_EQ(widget.ClientWidth(), 450.0);

  // Stretch 4 gives the control the image's size through SetSize.
  widget.Control().SetStretch(4);
  ASSERT_TRUE(LoadBytes(widget.Control(), SolidFrames(30, 20, 1)));
  EXPECT_EQ(widget.size(), QSize(30, 20));
  EXPECT_EQ(widget.Control().ActualWidth(), 450);
  EXPECT_EQ(widget.Control().ActualHeight(), 300);
  EXPECT_NE(widget.ParentWindow(), 0);
}

TEST(AniGifWidgetTest, SizeGivenAfterTheLoadRescalesWhenShown) {
  // As a form builds its controls: the control loads at the widget's first
  // size, the form then gives it its place, and only then shows it.
  QWidget form;
  form.resize(100, 50);
  auto* widget = new AniGifWidget(&form);
  widget->resize(100, 30);
  ASSERT_TRUE(LoadBytes(widget->Control(), SolidFrames(40, 20, 2)));
  EXPECT_EQ(widget->size(), QSize(60, 30));  // stretch 1 fits the image in
  EXPECT_FLOAT_EQ(widget->Control().Store().GifInfo.ScaleX, 1.5f);
  widget->setGeometry(0, 0, 40, 20);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(widget->size(), QSize(40, 20));
  EXPECT_FLOAT_EQ(widget->Control().Store().GifInfo.ScaleX, 1.0f);
  EXPECT_FLOAT_EQ(widget->Control().Store().GifInfo.ScaleY, 1.0f);
}

struct MouseRecord {
  char kind;
  int16_t button, shift;
  float x, y;
};

TEST(AniGifWidgetTest, MouseAndClicksMapTheClassicWay) {
  AniGifWidget widget;
  widget.resize(40, 20);
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
  std::vector<MouseRecord> mouse;
  int clicks = 0;
  auto& ev = widget.Control().Events();
  ev.MouseDown = [&](int16_t b, int16_t s, float x, float y) {
    mouse.push_back({'d', b, s, x, y});
  };
  ev.MouseUp = [&](int16_t b, int16_t s, float x, float y) { mouse.push_back({'u', b, s, x, y}); };
  ev.MouseMove = [&](int16_t b, int16_t s, float x, float y) {
    mouse.push_back({'m', b, s, x, y});
  };
  ev.Click = [&] { ++clicks; };

  QTest::mousePress(&widget, Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(3, 2));
  QTest::mouseRelease(&widget, Qt::RightButton, Qt::ControlModifier, QPoint(3, 2));
  ASSERT_EQ(mouse.size(), 2u);
  EXPECT_EQ(mouse[0].kind, 'd');
  EXPECT_EQ(mouse[0].button, 2);
  EXPECT_EQ(mouse[0].shift, 5);
  EXPECT_FLOAT_EQ(mouse[0].x, 45.0f);  // container units: twips
  EXPECT_FLOAT_EQ(mouse[0].y, 30.0f);
  EXPECT_EQ(mouse[1].kind, 'u');
  EXPECT_EQ(mouse[1].button, 2);
  EXPECT_EQ(mouse[1].shift, 2);
  EXPECT_EQ(clicks, 0);  // only the left button clicks

  mouse.clear();
  QTest::mousePress(&widget, Qt::MiddleButton, Qt::NoModifier, QPoint(1, 1));
  QTest::mouseMove(&widget, QPoint(6, 7));
  QTest::mouseRelease(&widget, Qt::MiddleButton, Qt::NoModifier, QPoint(6, 7));
  ASSERT_GE(mouse.size(), 3u);
  EXPECT_EQ(mouse[0].button, 4);
  const auto move = std::find_if(mouse.begin(), mouse.end(), [](auto& m) { return m.kind == 'm'; });
  ASSERT_NE(move, mouse.end());
  EXPECT_EQ(move->button, 4);  // moves report the buttons held
  EXPECT_FLOAT_EQ(move->x, 90.0f);
  EXPECT_FLOAT_EQ(move->y, 105.0f);

  // A left click anywhere in the rectangle raises Click once; a press that
  // ends outside does not; a double click raises it once.
  QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(39, 19));
  EXPECT_EQ(clicks, 1);
  QTest::mousePress(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QTest::mouseRelease(&widget, Qt::LeftButton, Qt::NoModifier, QPoint(60, 5));
  EXPECT_EQ(clicks, 1);
  // What the window system delivers for a double click: press, release,
  // press, double click, release.
  const QPointF at(5, 5);
  const QPointF global = widget.mapToGlobal(at);
  for (QEvent::Type type :
       {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
  }
  EXPECT_EQ(clicks, 2);
}

TEST(AniGifWidgetTest, PointerEnabledStateAndMessageBox) {
  AniGifWidget widget;
  EXPECT_TRUE(widget.SetMousePointer(11));
  EXPECT_EQ(widget.MousePointer(), 11);
  EXPECT_EQ(widget.cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(widget.SetMousePointer(9));
  EXPECT_EQ(widget.cursor().shape(), Qt::SizeHorCursor);
  EXPECT_FALSE(widget.SetMousePointer(16));
  EXPECT_FALSE(widget.SetMousePointer(-1));
  EXPECT_EQ(widget.MousePointer(), 9);
  // The custom icon, through the control: pointer 99 shows the picture,
  // with its transparent index see-through; taking the icon away also
  // resets the pointer to 0.
  auto loaded = picture::LoadPicture(SolidFrames(4, 4, 1));
  ASSERT_TRUE(loaded.picture.has_value());
  auto cursorPicture = std::make_shared<host::PictureObject>();
  cursorPicture->image = std::move(*loaded.picture);
  widget.Control().SetMouseIcon(cursorPicture);
  widget.Control().SetMousePointer(99);
  EXPECT_EQ(widget.MousePointer(), 99);
  EXPECT_EQ(widget.cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(widget.cursor().pixmap().toImage().pixelColor(1, 1), FrameColor(1));
  widget.Control().SetMouseIcon(nullptr);
  EXPECT_EQ(widget.MousePointer(), 0);
  EXPECT_EQ(widget.cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(widget.ApplyMouseIcon(std::make_shared<host::PictureObject>()));

  widget.SetEnabled(false);
  EXPECT_FALSE(widget.isEnabled());
  EXPECT_FALSE(widget.Enabled());
  widget.SetEnabled(true);
  EXPECT_TRUE(widget.Enabled());

  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    box->accept();
  });
  widget.MessageBox(host::MessageBoxRequest{"nThunkNo doesn't exist.",
                                            "Error in ucAniGIF.cb_Callback", host::MsgButtons::kOk,
                                            host::MsgIcon::kCritical, host::MsgAnswer::kOk});
  EXPECT_EQ(title, QStringLiteral("Error in ucAniGIF.cb_Callback"));
  EXPECT_EQ(text, QStringLiteral("nThunkNo doesn't exist."));
  EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(AniGifWidgetTest, DesignTimeShowsFrameOneWithoutTimers) {
  AniGifWidget widget;
  widget.SetUserMode(false);
  widget.resize(8, 4);
  QSignalSpy changed(&widget, &AniGifWidget::controlPropertyChanged);
  widget.Control().SetStretch(0);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("Stretch"));
  ASSERT_TRUE(LoadBytes(widget.Control(), SolidFrames(8, 4, 3)));
  widget.show();
  QTest::qWait(60);
  EXPECT_EQ(widget.Control().CurrentFrame(), 1);
  EXPECT_EQ(widget.Timers().ArmedCount(), 0u);
  EXPECT_EQ(widget.grab().toImage().pixelColor(4, 2), FrameColor(1));
}

TEST(AniGifWidgetTest, TransparentPixelsShowTheWidgetBackgroundAndStretchFills) {
  // One 8 x 4 frame: the left half index 1 (transparent), the right half red.
  namespace gif = anigif::testing;
  gif::Bytes bytes;
  gif::AppendHeader(bytes, "GIF89a", 8, 4, {0xFF0000, 0x00FF00});
  gif::AppendControl(bytes, 1, 0, 1);
  gif::ImageSpec image;
  image.width = 8;
  image.height = 4;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) image.pixels.push_back(x < 4 ? 1 : 0);
  }
  gif::AppendImage(bytes, image, true);
  gif::AppendTrailer(bytes);

  AniGifWidget widget;
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, QColor(10, 20, 30));
  widget.setPalette(palette);
  widget.resize(16, 8);
  widget.Control().SetStretch(2);
  ASSERT_TRUE(LoadBytes(widget.Control(), bytes));
  EXPECT_EQ(widget.size(), QSize(16, 8));  // stretch 2 keeps the control's size
  const QImage shot = widget.grab().toImage();
  EXPECT_EQ(shot.pixelColor(1, 1), QColor(10, 20, 30));
  EXPECT_EQ(shot.pixelColor(14, 6), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(15, 7), QColor(255, 0, 0));
}

TEST(InputMappingTest, ButtonsShiftAndPointers) {
  EXPECT_EQ(ClassicButtons(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton), 7);
  EXPECT_EQ(ClassicButtons(Qt::BackButton), 0);
  EXPECT_EQ(ClassicShift(Qt::ControlModifier | Qt::AltModifier), 6);
  bool valid = false;
  EXPECT_EQ(PointerShape(2, &valid), Qt::CrossCursor);
  EXPECT_TRUE(valid);
  EXPECT_EQ(PointerShape(6, &valid), Qt::SizeBDiagCursor);
  EXPECT_EQ(PointerShape(8, &valid), Qt::SizeFDiagCursor);
  EXPECT_EQ(PointerShape(15, &valid), Qt::SizeAllCursor);
  EXPECT_FALSE(PointerShape(99, &valid).has_value());
  EXPECT_TRUE(valid);
  EXPECT_FALSE(PointerShape(100, &valid).has_value());
  EXPECT_FALSE(valid);
}

}  // namespace
}  // namespace veltrano::qtgif
