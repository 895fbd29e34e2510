// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// The three power-of-ten tables of ScalePow10. Each entry is the exact power
// of ten rounded to the nearest extended value (ties to even), written as its
// two integers, 64-bit significand and power of two, so no compiler or CPU
// rounds it again. Entries up to 1e27 are exact. The tests check every entry
// against an exact big-integer conversion.

#include "core/extended.h"

namespace numira::pow10 {

// kSmall[i] = 10^i, i = 0..31.
inline constexpr Extended kSmall[] = {
    Extended::FromSignificand(0x8000000000000000, -63),  // 1e0
    Extended::FromSignificand(0xA000000000000000, -60),  // 1e1
    Extended::FromSignificand(0xC800000000000000, -57),  // 1e2
    Extended::FromSignificand(0xFA00000000000000, -54),  // 1e3
    Extended::FromSignificand(0x9C40000000000000, -50),  // 1e4
    Extended::FromSignificand(0xC350000000000000, -47),  // 1e5
    Extended::FromSignificand(0xF424000000000000, -44),  // 1e6
    Extended::FromSignificand(0x9896800000000000, -40),  // 1e7
    Extended::FromSignificand(0xBEBC200000000000, -37),  // 1e8
    Extended::FromSignificand(0xEE6B280000000000, -34),  // 1e9
    Extended::FromSignificand(0x9502F90000000000, -30),  // 1e10
    Extended::FromSignificand(0xBA43B74000000000, -27),  // 1e11
    Extended::FromSignificand(0xE8D4A51000000000, -24),  // 1e12
    Extended::FromSignificand(0x9184E72A00000000, -20),  // 1e13
    Extended::FromSignificand(0xB5E620F480000000, -17),  // 1e14
    Extended::FromSignificand(0xE35FA931A0000000, -14),  // 1e15
    Extended::FromSignificand(0x8E1BC9BF04000000, -10),  // 1e16
    Extended::FromSignificand(0xB1A2BC2EC5000000, -7),  // 1e17
    Extended::FromSignificand(0xDE0B6B3A76400000, -4),  // 1e18
    Extended::FromSignificand(0x8AC7230489E80000, 0),  // 1e19
    Extended::FromSignificand(0xAD78EBC5AC620000, 3),  // 1e20
    Extended::FromSignificand(0xD8D726B7177A8000, 6),  // 1e21
    Extended::FromSignificand(0x878678326EAC9000, 10),  // 1e22
    Extended::FromSignificand(0xA968163F0A57B400, 13),  // 1e23
    Extended::FromSignificand(0xD3C21BCECCEDA100, 16),  // 1e24
    Extended::FromSignificand(0x84595161401484A0, 20),  // 1e25
    Extended::FromSignificand(0xA56FA5B99019A5C8, 23),  // 1e26
    Extended::FromSignificand(0xCECB8F27F4200F3A, 26),  // 1e27
    Extended::FromSignificand(0x813F3978F8940984, 30),  // 1e28
    Extended::FromSignificand(0xA18F07D736B90BE5, 33),  // 1e29
    Extended::FromSignificand(0xC9F2C9CD04674EDF, 36),  // 1e30
    Extended::FromSignificand(0xFC6F7C4045812296, 39),  // 1e31
};

// kMiddle[j] = 10^(32 j), j = 1..15 (entry 0 is 1 and never used).
inline constexpr Extended kMiddle[] = {
    Extended::FromSignificand(0x8000000000000000, -63),  // 1e0
    Extended::FromSignificand(0x9DC5ADA82B70B59E, 43),  // 1e32
    Extended::FromSignificand(0xC2781F49FFCFA6D5, 149),  // 1e64
    Extended::FromSignificand(0xEFB3AB16C59B14A3, 255),  // 1e96
    Extended::FromSignificand(0x93BA47C980E98CE0, 362),  // 1e128
    Extended::FromSignificand(0xB616A12B7FE617AA, 468),  // 1e160
    Extended::FromSignificand(0xE070F78D3927556B, 574),  // 1e192
    Extended::FromSignificand(0x8A5296FFE33CC930, 681),  // 1e224
    Extended::FromSignificand(0xAA7EEBFB9DF9DE8E, 787),  // 1e256
    Extended::FromSignificand(0xD226FC195C6A2F8C, 893),  // 1e288
    Extended::FromSignificand(0x81842F29F2CCE376, 1000),  // 1e320
    Extended::FromSignificand(0x9FA42700DB900AD2, 1106),  // 1e352
    Extended::FromSignificand(0xC4C5E310AEF8AA17, 1212),  // 1e384
    Extended::FromSignificand(0xF28A9C07E9B09C59, 1318),  // 1e416
    Extended::FromSignificand(0x957A4AE1EBF7F3D4, 1425),  // 1e448
    Extended::FromSignificand(0xB83ED8DC0795A262, 1531),  // 1e480
};

// kLarge[m] = 10^(512 m), m = 1..9 (entry 0 is 1 and never used).
inline constexpr Extended kLarge[] = {
    Extended::FromSignificand(0x8000000000000000, -63),  // 1e0
    Extended::FromSignificand(0xE319A0AEA60E91C7, 1637),  // 1e512
    Extended::FromSignificand(0xC976758681750C17, 3338),  // 1e1024
    Extended::FromSignificand(0xB2B8353B3993A7E4, 5039),  // 1e1536
    Extended::FromSignificand(0x9E8B3B5DC53D5DE5, 6740),  // 1e2048
    Extended::FromSignificand(0x8CA554C020A1F0A6, 8441),  // 1e2560
    Extended::FromSignificand(0xF9895D25D88B5A8B, 10141),  // 1e3072
    Extended::FromSignificand(0xDD5DC8A2BF27F3F8, 11842),  // 1e3584
    Extended::FromSignificand(0xC46052028A20979B, 13543),  // 1e4096
    Extended::FromSignificand(0xAE3511626ED559F0, 15244),  // 1e4608
};

// 10^18, exact: the bound of the 18-digit form.
inline constexpr Extended kTenTo18 = kSmall[18];

}  // namespace numira::pow10
