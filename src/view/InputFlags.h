#pragma once

// The bit word that comes with every mouse and key input of the canvas.
namespace InputFlags {
constexpr int Left = 0x001;
constexpr int Middle = 0x002;
constexpr int Right = 0x004;
constexpr int Press = 0x008;
constexpr int Release = 0x010;
constexpr int Motion = 0x020;
constexpr int Control = 0x080;
constexpr int Alt = 0x100;
constexpr int Shift = 0x200;
constexpr int Leave = 0x400;
}  // namespace InputFlags
