// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "ui/helupu_.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace numira::readme {
namespace {

constexpr int kDesignClientWidth = 526;
constexpr int kDesignClientHeight = 539;

// a * b / c rounded to the nearest integer, halves away from zero (all
// positive here).
int ScaleRounded(int a, int b, int c) {
  return static_cast<int>((2LL * a * b + c) / (2LL * c));
}

std::int64_t OverlapArea(const ScreenRect& a, const ScreenRect& b) {
  const std::int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
  const std::int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

// Squared distance between two rectangles; zero when they touch or overlap.
std::int64_t DistanceSquared(const ScreenRect& a, const ScreenRect& b) {
  const std::int64_t dx = std::max({0, b.left - a.right, a.left - b.right});
  const std::int64_t dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
  return dx * dx + dy * dy;
}

ScreenRect At(int left, int top, ScreenSize size) { return {left, top, left + size.width, top + size.height}; }

// The work area, or the whole area for a monitor that reports none.
ScreenRect WorkArea(const Monitor& monitor) {
  const ScreenRect& work = monitor.work_area;
  return work.Width() > 0 && work.Height() > 0 ? work : monitor.area;
}

// The outer size, the client area shrunk where the work area is smaller.
ScreenSize FitOuterSize(ScreenSize client, ScreenSize frame_size, const ScreenRect& work) {
  return {std::clamp(client.width + frame_size.width, frame_size.width, std::max(frame_size.width, work.Width())),
          std::clamp(client.height + frame_size.height, frame_size.height,
                     std::max(frame_size.height, work.Height()))};
}

// The frame moved right/down, then left/up, as little as takes to lie inside
// `work` (the frame is not larger than it).
ScreenRect MovedInside(const ScreenRect& frame, const ScreenRect& work) {
  const int left = std::max(work.left, std::min(frame.left, work.right - frame.Width()));
  const int top = std::max(work.top, std::min(frame.top, work.bottom - frame.Height()));
  return At(left, top, {frame.Width(), frame.Height()});
}

Placement PlacementOf(const ScreenRect& frame, ScreenSize frame_size) {
  return {frame, {frame.Width() - frame_size.width, frame.Height() - frame_size.height}};
}

ScreenSize OuterSize(ScreenSize client, ScreenSize frame_size) {
  return {client.width + frame_size.width, client.height + frame_size.height};
}

// Kept with its top-left at left, top on `monitor`: made to fit its work
// area, and moved into it when it had to shrink.
Placement KeptOn(const Monitor& monitor, int left, int top, ScreenSize client, ScreenSize frame_size) {
  const ScreenRect work = WorkArea(monitor);
  const ScreenSize outer = FitOuterSize(client, frame_size, work);
  const ScreenRect kept = At(left, top, outer);
  return PlacementOf(outer == OuterSize(client, frame_size) ? kept : MovedInside(kept, work), frame_size);
}

}  // namespace

int FontHeight(int dpi) { return ScaleRounded(kDesignFont.pixel_height, dpi, kDesignDpi); }

ScreenSize ClientSize(int text_height) {
  return {ScaleRounded(kDesignClientWidth, text_height, kDesignFont.pixel_height),
          ScaleRounded(kDesignClientHeight, text_height, kDesignFont.pixel_height)};
}

std::optional<Monitor> MonitorOf(const ScreenRect& frame, std::span<const Monitor> monitors) {
  const Monitor* best = nullptr;
  std::int64_t best_area = 0;
  for (const Monitor& monitor : monitors) {
    const std::int64_t area = OverlapArea(frame, monitor.area);
    if (area > best_area) {
      best = &monitor;
      best_area = area;
    }
  }
  std::int64_t best_distance = std::numeric_limits<std::int64_t>::max();
  for (const Monitor& monitor : best == nullptr ? monitors : std::span<const Monitor>{}) {
    const std::int64_t distance = DistanceSquared(frame, monitor.area);
    if (distance < best_distance) {
      best = &monitor;
      best_distance = distance;
    }
  }
  if (best == nullptr) return std::nullopt;
  return *best;
}

Placement OpeningPlacement(bool first_opening, const ScreenRect& frame, ScreenSize client, ScreenSize frame_size,
                           const ScreenRect& main_frame, std::span<const Monitor> monitors) {
  const std::optional<Monitor> target = MonitorOf(main_frame, monitors);
  if (!target) return PlacementOf(At(frame.left, frame.top, OuterSize(client, frame_size)), frame_size);
  const ScreenRect work = WorkArea(*target);
  const ScreenSize outer = FitOuterSize(client, frame_size, work);
  const ScreenRect& area = target->area;
  if (first_opening) {
    // Integer division rounds each half toward zero.
    const ScreenRect centred = At(area.left + (area.Width() - outer.width) / 2,
                            area.top + (area.Height() - outer.height) / 2, outer);
    return PlacementOf(MovedInside(centred, work), frame_size);
  }
  const Monitor current = *MonitorOf(frame, monitors);
  if (current.area == area) return KeptOn(current, frame.left, frame.top, client, frame_size);
  const int left = std::min(area.left + (frame.left - current.area.left), area.right - outer.width);
  const int top = std::min(area.top + (frame.top - current.area.top), area.bottom - outer.height);
  return PlacementOf(MovedInside(At(left, top, outer), work), frame_size);
}

Placement FittedPlacement(const ScreenRect& frame, ScreenSize client, ScreenSize frame_size,
                          std::span<const Monitor> monitors) {
  const std::optional<Monitor> monitor = MonitorOf(frame, monitors);
  if (!monitor) return PlacementOf(At(frame.left, frame.top, OuterSize(client, frame_size)), frame_size);
  return KeptOn(*monitor, frame.left, frame.top, client, frame_size);
}

}  // namespace numira::readme
