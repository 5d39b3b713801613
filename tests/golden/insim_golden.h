// InSim packets as byte images, written by hand from the simulator's published layout tables, one
// per packet and version that the director and the simulator stand-in exchange. Both programs'
// tests check their encoders against them byte for byte and decode them back to the fields named
// in the comment above each image.
//
// Conventions of the images: every multi-byte number is little-endian; an array's bound is the
// packet's size and bytes not listed are zero (C++ fills them), so a long text field is written up
// to its terminator only. Version 4 and 10 packets start with Size, Type, ReqI and a byte of the
// packet's own; version 10 counts Size in units of 4 bytes (all these packets are whole units).
// Version 3 packets start with their identifier, three letters and a zero byte.
//
// The values that recur: player 9 "^1Speedy" in car "XRG" with plate "RS 9" and flags 1; track
// "RS1"; admin password "pw"; a camera at (-1 m, 2 m, 6 m).
#pragma once

#include <cstdint>

namespace golden {

// ---- Introduction ------------------------------------------------------------------------------

// IS_ISI, version 4: ReqI 0, UDPPort 0, Flags 0x0024 (ISF_LOCAL | ISF_MCI), InSimVer 0, Prefix 0,
// Interval 200, Admin "pw", IName "Morvane".
constexpr std::uint8_t kIsi4[44] = {
    44,  1,   0,    0,                                               // Size, ISP_ISI, ReqI, Zero
    0,   0,   0x24, 0x00,                                            // UDPPort, Flags
    0,   0,   200,  0,                                               // InSimVer, Prefix, Interval
    'p', 'w', 0,    0,    0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0,  // Admin (16)
    'M', 'o', 'r',  'v',  'a', 'n', 'e', 0, 0, 0, 0, 0, 0,           // IName (16)
};

// IS_ISI, version 10: as version 4, Size 11 units and InSimVer 10.
constexpr std::uint8_t kIsi10[44] = {
    11,  1,   0,    0,     // Size (units), ISP_ISI, ReqI, Zero
    0,   0,   0x24, 0x00,  // UDPPort, Flags
    10,  0,   200,  0,     // InSimVer 10, Prefix, Interval
    'p', 'w', 0,    0,    0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0,  // Admin
    'M', 'o', 'r',  'v',  'a', 'n', 'e',                             // IName
};

// IS_ISI, version 10, asking for contact reports too: Flags 0x0224 (ISF_LOCAL | ISF_MCI |
// ISF_CON), the rest as kIsi10.
constexpr std::uint8_t kIsi10Contacts[44] = {
    11,  1,   0,    0,     // Size (units), ISP_ISI, ReqI, Zero
    0,   0,   0x24, 0x02,  // UDPPort, Flags
    10,  0,   200,  0,     // InSimVer 10, Prefix, Interval
    'p', 'w', 0,    0,    0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0,  // Admin
    'M', 'o', 'r',  'v',  'a', 'n', 'e',                             // IName
};

// "ISI", version 3: reply port 0, flags 0x23, node seconds 0, admin password "pw".
constexpr std::uint8_t kIsi3[24] = {
    'I', 'S', 'I',  0,  // identifier
    0,   0,   0x23, 0,  // reply port, flags, node seconds
    'p', 'w',           // admin password (16)
};

// IS_VER, version 4: ReqI 1, Version "0.7F", Product "S3", InSimVer 4.
constexpr std::uint8_t kVer4[20] = {
    20,  2,   1,   0,                // Size, ISP_VER, ReqI, Zero
    '0', '.', '7', 'F', 0, 0, 0, 0,  // Version (8)
    'S', '3', 0,   0,   0, 0,        // Product (6)
    4,   0,                          // InSimVer, Spare
};

// IS_VER, version 10: ReqI 7, Version "0.8B", Product "S3", InSimVer 10; Size 5 units.
constexpr std::uint8_t kVer10[20] = {
    5,   2,   7,   0,                // Size (units), ISP_VER, ReqI, Zero
    '0', '.', '8', 'B', 0, 0, 0, 0,  // Version
    'S', '3', 0,   0,   0, 0,        // Product
    10,  0,                          // InSimVer, Spare
};

// "VER", version 3 reply: version "0.5V", product "S2", InSim version 3 (16 bits).
constexpr std::uint8_t kVerReply3[20] = {
    'V', 'E', 'R', 0,                // identifier
    '0', '.', '5', 'V', 0, 0, 0, 0,  // version
    'S', '2', 0,   0,   0, 0,        // product
    3,   0,                          // InSim version
};

// ---- Version 3 requests: identifier and a 32-bit value --------------------------------------

constexpr std::uint8_t kV3RequestVer[8] = {'V', 'E', 'R', 0, 0, 0, 0, 0};    // value 0
constexpr std::uint8_t kV3RequestNli[8] = {'N', 'L', 'I', 0, 200, 0, 0, 0};  // value 200 (ms)
constexpr std::uint8_t kV3RequestSst[8] = {'S', 'S', 'T', 0, 0, 0, 0, 0};    // value 0
constexpr std::uint8_t kV3RequestScp[8] = {'S', 'C', 'P', 0, 0, 0, 0, 0};    // value 0
constexpr std::uint8_t kV3RequestNpl[8] = {'N', 'P', 'L', 0, 3, 0, 0, 0};    // player index 3
constexpr std::uint8_t kV3RequestIsc[8] = {'I', 'S', 'C', 0, 0, 0, 0, 0};    // value 0
constexpr std::uint8_t kV3Ack[8] = {'A', 'C', 'K', 0, 0xEF, 0xBE, 0, 0};     // word 0xBEEF
constexpr std::uint8_t kV3AckKeepAlive[8] = {'A', 'C', 'K', 0, 0, 0, 0, 0};  // word 0

// ---- IS_TINY (4 bytes: Size, ISP_TINY, ReqI, SubT) and IS_SMALL ---------------------------------

constexpr std::uint8_t kTinyNone4[4] = {4, 3, 0, 0};   // TINY_NONE, ReqI 0 (keep-alive)
constexpr std::uint8_t kTinyVer4[4] = {4, 3, 1, 1};    // TINY_VER, ReqI 1
constexpr std::uint8_t kTinyClose4[4] = {4, 3, 0, 2};  // TINY_CLOSE, ReqI 0
constexpr std::uint8_t kTinyScp4[4] = {4, 3, 1, 6};    // TINY_SCP, ReqI 1
constexpr std::uint8_t kTinySst4[4] = {4, 3, 1, 7};    // TINY_SST, ReqI 1
constexpr std::uint8_t kTinyGth4[4] = {4, 3, 1, 8};    // TINY_GTH, ReqI 1
constexpr std::uint8_t kTinyNpl4[4] = {4, 3, 1, 14};   // TINY_NPL, ReqI 1
constexpr std::uint8_t kTinyRst4[4] = {4, 3, 1, 19};   // TINY_RST, ReqI 1
constexpr std::uint8_t kTinyNone10[4] = {1, 3, 0, 0};  // TINY_NONE, Size 1 unit
constexpr std::uint8_t kTinyVer10[4] = {1, 3, 1, 1};   // TINY_VER, Size 1 unit
constexpr std::uint8_t kTinyGtm10[4] = {1, 3, 1, 8};   // TINY_GTM (8), Size 1 unit

// IS_SMALL SMALL_RTP, version 4: ReqI 1, UVal 12345 (hundredths of a second).
constexpr std::uint8_t kSmallRtp4[8] = {8, 4, 1, 6, 0x39, 0x30, 0, 0};
// IS_SMALL SMALL_RTP, version 10: ReqI 1, UVal 123456 (milliseconds); Size 2 units.
constexpr std::uint8_t kSmallRtp10[8] = {2, 4, 1, 6, 0x40, 0xE2, 0x01, 0};

// ---- State ------------------------------------------------------------------------------------

// IS_STA, version 4: ReqI 1, ReplaySpeed 0.5, Flags 0x0082 (ISS_REPLAY | ISS_SHOW_2D),
// InGameCam 2, ViewPLID 7, NumP 12, NumConns 1, NumFinished 3, RaceInProg 1, QualMins 0,
// RaceLaps 5, Track "RS1", Weather 1, Wind 2.
constexpr std::uint8_t kSta4[28] = {
    28, 5, 1, 0,              // Size, ISP_STA, ReqI, Zero
    0x00, 0x00, 0x00, 0x3F,   // ReplaySpeed 0.5f
    0x82, 0x00,               // Flags
    2, 7, 12, 1, 3, 1, 0, 5,  // InGameCam, ViewPLID, NumP, NumConns, NumFinished, RaceInProg,
                              // QualMins, RaceLaps
    0, 0,                     // Spare
    'R', 'S', '1', 0, 0, 0,   // Track (6)
    1, 2,                     // Weather, Wind
};

// IS_STA, version 10: the same report with Size 7 units.
constexpr std::uint8_t kSta10[28] = {
    7, 5, 1, 0, 0x00, 0x00, 0x00, 0x3F, 0x82, 0x00, 2, 7, 12, 1,
    3, 1, 0, 5, 0,    0,    'R',  'S',  '1',  0,    0, 0, 1,  2,
};

// "STA", version 3: the same report from byte 4.
constexpr std::uint8_t kSta3[28] = {
    'S', 'T', 'A', 0, 0x00, 0x00, 0x00, 0x3F, 0x82, 0x00, 2, 7, 12, 1,
    3,   1,   0,   5, 0,    0,    'R',  'S',  '1',  0,    0, 0, 1,  2,
};

// IS_SFP, version 4: ReqI 1, Flag 0x0080 (ISS_SHOW_2D), OffOn 1.
constexpr std::uint8_t kSfpShow2d4[8] = {8, 7, 1, 0, 0x80, 0x00, 1, 0};
// IS_SFP, version 4: ReqI 0, Flag 0x0040 (ISS_SHIFTU_NO_OPT), OffOn 1.
constexpr std::uint8_t kSfpShiftUNoOpt4[8] = {8, 7, 0, 0, 0x40, 0x00, 1, 0};
// IS_SFP, version 10: ReqI 1, Flag ISS_SHOW_2D, OffOn 0; Size 2 units.
constexpr std::uint8_t kSfpShow2dOff10[8] = {2, 7, 1, 0, 0x80, 0x00, 0, 0};
// "SFP", version 3: flag 0x0080 (ISS_SHOW_2D), on 1.
constexpr std::uint8_t kSfpShow2d3[8] = {'S', 'F', 'P', 0, 0x80, 0x00, 1, 0};

// ---- Camera -----------------------------------------------------------------------------------

// IS_CPP, version 4: ReqI 1, Pos (-65536, 131072, 393216), H 32768, P 16000, R 0, ViewPLID 3,
// InGameCam 2, FOV 27.5, Time 1500, Flags 8 (ISS_SHIFTU).
constexpr std::uint8_t kCpp4[32] = {
    32,   9,    1,    0,     // Size, ISP_CPP, ReqI, Zero
    0x00, 0x00, 0xFF, 0xFF,  // X -65536
    0x00, 0x00, 0x02, 0x00,  // Y 131072
    0x00, 0x00, 0x06, 0x00,  // Z 393216
    0x00, 0x80,              // H 32768
    0x80, 0x3E,              // P 16000
    0x00, 0x00,              // R 0
    3,    2,                 // ViewPLID, InGameCam
    0x00, 0x00, 0xDC, 0x41,  // FOV 27.5f
    0xDC, 0x05,              // Time 1500
    0x08, 0x00,              // Flags
};

// IS_CPP, version 10: the same camera with Size 8 units.
constexpr std::uint8_t kCpp10[32] = {
    8,    9,    1,    0,    0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00,
    0x00, 0x80, 0x80, 0x3E, 0x00, 0x00, 3,    2,    0x00, 0x00, 0xDC, 0x41, 0xDC, 0x05, 0x08, 0x00,
};

// "CPP", version 3: the same camera from byte 4.
constexpr std::uint8_t kCpp3[32] = {
    'C',  'P',  'P',  0,    0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00,
    0x00, 0x80, 0x80, 0x3E, 0x00, 0x00, 3,    2,    0x00, 0x00, 0xDC, 0x41, 0xDC, 0x05, 0x08, 0x00,
};

// IS_CPP as a view change, version 4: ReqI 0, every field zero but InGameCam 4.
constexpr std::uint8_t kCppView4[32] = {32, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4};

// "SCC", version 3: extra byte 0, view 2, player id 5.
constexpr std::uint8_t kScc3[8] = {'S', 'C', 'C', 0, 0, 2, 5, 0};

// ---- Texts ------------------------------------------------------------------------------------

// IS_MST, version 4: ReqI 0, Msg "/echo hello" (64 bytes).
constexpr std::uint8_t kMst4[68] = {68,  13,  0,   0,   '/', 'e', 'c', 'h',
                                    'o', ' ', 'h', 'e', 'l', 'l', 'o'};
// IS_MST, version 10: the same text, Size 17 units.
constexpr std::uint8_t kMst10[68] = {17,  13,  0,   0,   '/', 'e', 'c', 'h',
                                     'o', ' ', 'h', 'e', 'l', 'l', 'o'};

// IS_MSL, version 4: ReqI 0, Sound 0, Msg "^3Morvane: ^2active" (128 bytes).
constexpr std::uint8_t kMsl4[132] = {
    132, 40,  0,   0,                                                           // header, Sound
    '^', '3', 'M', 'o', 'r', 'v', 'a', 'n', 'e', ':', ' ', '^', '2', 'a', 'c',  // Msg
    't', 'i', 'v', 'e',
};
// IS_MSL, version 10: the same text, Size 33 units.
constexpr std::uint8_t kMsl10[132] = {
    33,  40,  0,   0,   '^', '3', 'M', 'o', 'r', 'v', 'a', 'n',
    'e', ':', ' ', '^', '2', 'a', 'c', 't', 'i', 'v', 'e',
};

// "MTC", version 3: bytes 4-7 zero, text "^3Morvane: ^2active" (64 bytes from 8).
constexpr std::uint8_t kMtc3[72] = {
    'M', 'T', 'C', 0,   0,   0,   0,   0,                                       // identifier, zero
    '^', '3', 'M', 'o', 'r', 'v', 'a', 'n', 'e', ':', ' ', '^', '2', 'a', 'c',  // text
    't', 'i', 'v', 'e',
};

// IS_MSO, version 4: UCID 0, PLID 0, UserType 1 (a user's line), TextStart 13,
// Msg "^7Host ^7: ^8hi" (128 bytes).
constexpr std::uint8_t kMso4[136] = {
    136, 11, 0, 0,  // Size, ISP_MSO
    0, 0, 1, 13,    // UCID, PLID,
                    // UserType, TextStart
    '^', '7', 'H', 'o', 's', 't', ' ', '^', '7', ':', ' ', '^', '8', 'h', 'i',  // Msg
};
// IS_MSO, version 10: UserType 0, TextStart 0, Msg "activate Morvane"; Size 34 units.
constexpr std::uint8_t kMso10[136] = {
    34,  11,  0,   0,   0,   0,   0,   0,   'a', 'c', 't', 'i',
    'v', 'a', 't', 'e', ' ', 'M', 'o', 'r', 'v', 'a', 'n', 'e',
};
// "MSO", version 3: text "activate Morvane" (128 bytes from 4).
constexpr std::uint8_t kMso3[132] = {
    'M', 'S', 'O', 0,   'a', 'c', 't', 'i', 'v', 'a',
    't', 'e', ' ', 'M', 'o', 'r', 'v', 'a', 'n', 'e',
};

// ---- Buttons ----------------------------------------------------------------------------------

// IS_BTN, version 4: ReqI 1, UCID 0, ClickID 5, Inst 0, BStyle 99, TypeIn 0, L 15, T 151, W 80,
// H 12, Text "^1 1.  ^7Anna" (13 characters: 12 + 13 + 1 rounded up to 28).
constexpr std::uint8_t kBtn4[28] = {
    28,  45,  1,   0,   // Size, ISP_BTN, ReqI, UCID
    5,   0,   99,  0,   // ClickID, Inst, BStyle, TypeIn
    15,  151, 80,  12,  // L, T, W, H
    '^', '1', ' ', '1', '.', ' ', ' ', '^', '7', 'A', 'n', 'n', 'a', 0,  // Text and its zero
};
// IS_BTN, version 10: the same button, Size 7 units.
constexpr std::uint8_t kBtn10[28] = {
    7,   45,  1,   0,   5,   0,   99,  0,   15,  151, 80,  12, '^', '1',
    ' ', '1', '.', ' ', ' ', '^', '7', 'A', 'n', 'n', 'a', 0,  0,   0,
};
// IS_BTN, version 4, with an empty text: ReqI 1, ClickID 2, BStyle 0, L 0, T 0, W 10, H 5
// (12 + 0 + 1 rounded up to 16).
constexpr std::uint8_t kBtnEmpty4[16] = {16, 45, 1, 0, 2, 0, 0, 0, 0, 0, 10, 5};

// IS_BFN, version 4: ReqI 0, SubT 0 (BFN_DEL_BTN), UCID 0, ClickID 7, Inst 0.
constexpr std::uint8_t kBfn4[8] = {8, 42, 0, 0, 0, 7, 0, 0};
// IS_BFN, version 10: the same, Size 2 units.
constexpr std::uint8_t kBfn10[8] = {2, 42, 0, 0, 0, 7, 0, 0};

// ---- Players and results ----------------------------------------------------------------------

// IS_NPL, version 4: ReqI 1, PLID 9, UCID 0, PType 0, Flags 1, PName "^1Speedy", Plate "RS 9",
// CName "XRG", NumP 12; everything else zero.
constexpr std::uint8_t kNpl4[76] = {
    76,  21,  1,   9,                                                // Size, ISP_NPL, ReqI, PLID
    0,   0,   1,   0,                                                // UCID, PType, Flags
    '^', '1', 'S', 'p', 'e', 'e', 'd', 'y', 0, 0, 0, 0, 0, 0, 0, 0,  // PName (24)
    0,   0,   0,   0,   0,   0,   0,   0,                            //
    'R', 'S', ' ', '9', 0,   0,   0,   0,                            // Plate (8)
    'X', 'R', 'G', 0,                                                // CName (4)
    0,   0,   0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0,  // SName (16)
    0,   0,   0,   0,                                                // Tyres
    0,   0,   0,   0,   0,   0,   0,   0,                            // H_Mass .. Spare
    0,   12,  0,   0,                                                // SetF, NumP, Spare
};
// IS_NPL, version 10: the same player with Size 19 units.
constexpr std::uint8_t kNpl10[76] = {
    19, 21, 1,   9,   0,   0, 1, 0, '^', '1', 'S', 'p', 'e', 'e', 'd', 'y', 0,   0, 0,
    0,  0,  0,   0,   0,   0, 0, 0, 0,   0,   0,   0,   0,   'R', 'S', ' ', '9', 0, 0,
    0,  0,  'X', 'R', 'G', 0, 0, 0, 0,   0,   0,   0,   0,   0,   0,   0,   0,   0, 0,
    0,  0,  0,   0,   0,   0, 0, 0, 0,   0,   0,   0,   0,   0,   0,   0,   12,  0, 0,
};
// "NPL", version 3: flags 1, name "^1Speedy", plate "RS 9", car "XRG", player id 9, player
// index 3, ACK word 0x1234.
constexpr std::uint8_t kNpl3[100] = {
    'N',  'P',  'L', 0,  // identifier
    1,    0,             // flags
    0,    0,    0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 6-27
    '^',  '1',  'S', 'p', 'e', 'e', 'd', 'y', 0, 0, 0, 0, 0, 0, 0, 0,  // name (24)
    0,    0,    0,   0,   0,   0,   0,   0,                            //
    'R',  'S',  ' ', '9', 0,   0,   0,   0,                            // plate (8)
    'X',  'R',  'G', 0,                                                // car (4)
    0,    0,    0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0,  // 64-94
    0,    0,    0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0,     //
    9,    3,    0,                                                     // player id, index
    0x34, 0x12,                                                        // ACK word
};

// IS_RES, version 4: PLID 9, UName "racesim", PName "^1Speedy", Plate "RS 9", CName "XRG",
// TTime 300000, BTime 61234, NumStops 1, Confirm 2 (CONF_CONFIRMED), LapsDone 5, Flags 1,
// ResultNum 0, NumRes 12, PSeconds 0.
constexpr std::uint8_t kRes4[84] = {
    84, 35, 0, 9,                                                    // Size, ISP_RES, ReqI, PLID
    'r', 'a', 'c', 'e', 's', 'i', 'm', 0, 0, 0, 0, 0, 0, 0, 0, 0,    // UName (24)
    0, 0, 0, 0, 0, 0, 0, 0,                                          //
    '^', '1', 'S', 'p', 'e', 'e', 'd', 'y', 0, 0, 0, 0, 0, 0, 0, 0,  // PName (24)
    0, 0, 0, 0, 0, 0, 0, 0,                                          //
    'R', 'S', ' ', '9', 0, 0, 0, 0,                                  // Plate
    'X', 'R', 'G', 0,                                                // CName
    0xE0, 0x93, 0x04, 0x00,                                          // TTime 300000
    0x32, 0xEF, 0x00, 0x00,                                          // BTime 61234
    0, 1, 2, 0,                                                      // SpA, NumStops,
                                                                     // Confirm, SpB
    5, 0, 1, 0,                                                      // LapsDone, Flags
    0, 12, 0, 0,                                                     // ResultNum, NumRes,
                                                                     // PSeconds
};
// IS_RES, version 10: the same result, Size 21 units.
constexpr std::uint8_t kRes10[84] = {
    21,   35,   0,    9,    'r', 'a', 'c', 'e', 's', 'i', 'm', 0,   0,   0,    0,    0,    0,
    0,    0,    0,    0,    0,   0,   0,   0,   0,   0,   0,   '^', '1', 'S',  'p',  'e',  'e',
    'd',  'y',  0,    0,    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,    0,    0,    0,
    0,    'R',  'S',  ' ',  '9', 0,   0,   0,   0,   'X', 'R', 'G', 0,   0xE0, 0x93, 0x04, 0x00,
    0x32, 0xEF, 0x00, 0x00, 0,   1,   2,   0,   5,   0,   1,   0,   0,   12,   0,    0,
};
// "RES", version 3: name "^1Speedy", car "XRG", total 300000, best lap 61234, laps done 5,
// stops 1, confirm 2, result number 0, player id 9, ACK word 0xFFFF.
constexpr std::uint8_t kRes3[108] = {
    'R', 'E', 'S', 0,                                                // identifier
    '^', '1', 'S', 'p', 'e', 'e', 'd', 'y', 0, 0, 0, 0, 0, 0, 0, 0,  // name (24)
    0, 0, 0, 0, 0, 0, 0, 0,                                          //
    'X', 'R', 'G', 0,                                                // car
    0xE0, 0x93, 0x04, 0x00,                                          // total time
    0x32, 0xEF, 0x00, 0x00,                                          // best lap
    5, 0, 1, 2, 0, 9,                                                // laps done, stops,
                                                                     // confirm, result, id
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,      // 46-105
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,      //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,      //
    0xFF, 0xFF,                                                      // ACK word
};

// IS_REO, version 10: ReqI 0, NumP 3, PLID 9, 4, 1 in start order (48 ids); Size 13 units.
constexpr std::uint8_t kReo10[52] = {13, 36, 0, 3, 9, 4, 1};

// ---- The race ---------------------------------------------------------------------------------

// IS_RST, version 4: ReqI 1, RaceLaps 5, QualMins 0, NumP 12, Timing 0, Track "RS1", Weather 0,
// Wind 0, Flags 0, NumNodes 600, Finish 17, Split1 217, Split2 417, Split3 65535 (none).
constexpr std::uint8_t kRst4[28] = {
    28,   17,   1,    0,           // Size, ISP_RST, ReqI, Zero
    5,    0,    12,   0,           // RaceLaps, QualMins, NumP, Timing
    'R',  'S',  '1',  0,    0, 0,  // Track
    0,    0,    0,    0,           // Weather, Wind, Flags
    0x58, 0x02, 0x11, 0x00,        // NumNodes 600, Finish 17
    0xD9, 0x00, 0xA1, 0x01,        // Split1 217, Split2 417
    0xFF, 0xFF,                    // Split3
};
// IS_RST, version 10: the same start, Size 7 units.
constexpr std::uint8_t kRst10[28] = {7,    17,   1,    0,    5,    0,    12,   0,   'R',  'S',
                                     '1',  0,    0,    0,    0,    0,    0,    0,   0x58, 0x02,
                                     0x11, 0x00, 0xD9, 0x00, 0xA1, 0x01, 0xFF, 0xFF};
// "RST", version 3: race laps 5, 12 players, track "RS1", ACK word 0x0102.
constexpr std::uint8_t kRst3[20] = {
    'R', 'S', 'T', 0, 5, 0, 12, 0, 'R', 'S', '1', 0, 0, 0, 0, 0, 0, 0, 0x02, 0x01,
};

// IS_LAP, version 4: PLID 9, LTime 61234, ETime 190000, LapsDone 3, Flags 0, Penalty 0,
// NumStops 1.
constexpr std::uint8_t kLap4[20] = {
    20,   24,   0,    9,     // Size, ISP_LAP, ReqI, PLID
    0x32, 0xEF, 0x00, 0x00,  // LTime
    0x30, 0xE6, 0x02, 0x00,  // ETime
    3,    0,    0,    0,     // LapsDone, Flags
    0,    0,    1,    0,     // Sp0, Penalty, NumStops, Sp3
};
// IS_LAP, version 10: the same lap, Size 5 units.
constexpr std::uint8_t kLap10[20] = {5, 24, 0, 9, 0x32, 0xEF, 0, 0, 0x30, 0xE6,
                                     2, 0,  3, 0, 0,    0,    0, 0, 1,    0};
// "LAP", version 3: lap 61234, elapsed 190000, laps done 3, stops 1, player id 9, ACK 0xBEEF.
constexpr std::uint8_t kLap3[92] = {
    'L',  'A',  'P',  0,                             // identifier
    0x32, 0xEF, 0x00, 0x00, 0x30, 0xE6, 0x02, 0x00,  // lap time, elapsed
    3,    0,    0,    0,    0,    0,    1,    0,     // laps done, stops at 18
    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 20-88
    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0,    0,    0,    0,    0,    0,    0,    0,    0,                                   //
    9,    0xEF, 0xBE,  // player id, ACK word
};

// IS_SPX, version 4: PLID 9, STime 20000, ETime 80000, Split 2, Penalty 0, NumStops 1.
constexpr std::uint8_t kSpx4[16] = {
    16,   25,   0,    9,     // Size, ISP_SPX, ReqI, PLID
    0x20, 0x4E, 0x00, 0x00,  // STime
    0x80, 0x38, 0x01, 0x00,  // ETime
    2,    0,    1,    0,     // Split, Penalty, NumStops, Sp3
};
// IS_SPX, version 10: the same split, Size 4 units.
constexpr std::uint8_t kSpx10[16] = {4, 25, 0, 9, 0x20, 0x4E, 0, 0, 0x80, 0x38, 1, 0, 2, 0, 1, 0};
// "SP2", version 3: split time 20000, player id 9, ACK word 8.
constexpr std::uint8_t kSp2V3[12] = {'S', 'P', '2', 0, 0x20, 0x4E, 0, 0, 0, 9, 8, 0};
// "SP1", version 3: split time 1000, player id 4, ACK word 7.
constexpr std::uint8_t kSp1V3[12] = {'S', 'P', '1', 0, 0xE8, 0x03, 0, 0, 0, 4, 7, 0};

// IS_PIT, version 4: PLID 9, LapsDone 2, Flags 0, FuelAdd 0, Penalty 0, NumStops 1.
constexpr std::uint8_t kPit4[24] = {24, 26, 0, 9, 2, 0, 0, 0, 0, 0, 1};
// IS_PIT, version 10: the same stop, Size 6 units.
constexpr std::uint8_t kPit10[24] = {6, 26, 0, 9, 2, 0, 0, 0, 0, 0, 1};
// "PIT", version 3: player id 9, stops 1, ACK word 9.
constexpr std::uint8_t kPit3[28] = {'P', 'I', 'T', 0, 9, 1, 0, 0, 0, 0, 0, 0, 0, 0,
                                    0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0};

// IS_FLG, version 4: PLID 9, OffOn 1, Flag 2 (yellow), CarBehind 4. The stand-in sends none.
constexpr std::uint8_t kFlg4[8] = {8, 32, 0, 9, 1, 2, 4, 0};
// IS_CRS, version 4: PLID 9, a car reset. The stand-in sends none.
constexpr std::uint8_t kCrs4[4] = {4, 41, 0, 9};

// IS_CON, version 10: SpClose 70 (closing at 7 m/s), Time 12345; car A PLID 9 at 40 m/s,
// Direction 64, Heading 60, at (-1 m, 2 m); car B PLID 12 at 33 m/s, Direction 64, Heading 70,
// at (1 m, 3 m). Size 10 units.
constexpr std::uint8_t kCon10[40] = {
    10, 50, 0,  0,          // Size (units), ISP_CON, ReqI, Zero
    0x46, 0,    0x39, 0x30,  // SpClose, Time
    9,  0,  0,  0,  0,  0,  0,    40,  // A: PLID, Info, Sp2, Steer, ThrBrk, CluHan, GearSp, Speed
    64, 60, 0,  0,  0xF0, 0xFF, 0x20, 0,  // A: Direction, Heading, AccelF, AccelR, X, Y
    12, 0,  0,  0,  0,  0,  0,    33,  // B
    64, 70, 0,  0,  0x10, 0,    0x30, 0,  // B
};

// IS_PLA, version 4: PLID 9, Fact 1 (PITLANE_ENTER).
constexpr std::uint8_t kPla4[8] = {8, 28, 0, 9, 1, 0, 0, 0};
// IS_PLA, version 10: PLID 9, Fact 0 (PITLANE_EXIT); Size 2 units.
constexpr std::uint8_t kPla10[8] = {2, 28, 0, 9, 0, 0, 0, 0};

// ---- Car positions ----------------------------------------------------------------------------
//
// The three cars of the version 4 and version 3 images:
//   car 1: Node 258, Lap 3, PLID 1, Position 1, X 0x01020304, Y -1, Z 65536, Speed 0x3344,
//          Direction 0x5566, Heading 0x7788, AngVel -2
//   car 2: Node 200, Lap 2, PLID 4, Position 2, X -65536, Y 131072, Z 0, Speed 10000,
//          Direction 0x8000, Heading 0x8100, AngVel 5
//   car 3: Node 100, Lap 2, PLID 9, Position 3, X 1000, everything else 0; the set's last car.

// IS_MCI, version 4: NumC 3, the third car with Info 0x80 (CCI_LAST).
constexpr std::uint8_t kMci4[88] = {
    88, 38, 0, 3,                                                // Size, ISP_MCI, ReqI, NumC
    0x02, 0x01, 3, 0, 1, 1, 0, 0,                                // Node, Lap, PLID, Position,
                                                                 // Info, Sp3
    0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1, 0,  // X, Y, Z
    0x44, 0x33, 0x66, 0x55, 0x88, 0x77, 0xFE, 0xFF,              // Speed, Direction, Heading,
                                                                 // AngVel
    200, 0, 2, 0, 4, 2, 0, 0,                                    // car 2
    0, 0, 0xFF, 0xFF, 0, 0, 2, 0, 0, 0, 0, 0,                    //
    0x10, 0x27, 0x00, 0x80, 0x00, 0x81, 5, 0,                    //
    100, 0, 2, 0, 9, 3, 0x80, 0,                                 // car 3, CCI_LAST
    0xE8, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                    //
    0, 0, 0, 0, 0, 0, 0, 0,                                      //
};

// "MCI", version 3: 3 cars in the set, this packet's first car is car 0, three 24-byte records
// and five empty ones. Car 1 is here at Node 5 on Lap 0x702: the packed word 0xE005 and the lap
// byte 0x02.
constexpr std::uint8_t kMci3[204] = {
    'M', 'C', 'I', 0, 0, 0, 0, 0,                                // identifier, zero
    3, 0, 0, 0,                                                  // cars in the set, first
    0x05, 0xE0, 0x02, 1,                                         // packed node and lap, lap
                                                                 // low byte, player id
    0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1, 0,  // X, Y, Z
    0x44, 0x33, 0x66, 0x55, 0x88, 0x77, 0xFE, 0xFF,              // Speed .. AngVel
    200, 0, 2, 4,                                                // car 2
    0, 0, 0xFF, 0xFF, 0, 0, 2, 0, 0, 0, 0, 0,                    //
    0x10, 0x27, 0x00, 0x80, 0x00, 0x81, 5, 0,                    //
    100, 0, 2, 9,                                                // car 3
    0xE8, 0x03,                                                  // X 1000, the rest zero
};

// IS_MCI, version 10: NumC 16, Size 113 units (4 + 16 x 28 = 452 bytes). Car k (1 to 16):
// Node k, Lap 1, PLID k, Position k, X k x 65536, Y 0, Z 0, Speed k x 256, Direction 0x4000,
// Heading 0x4000, AngVel -k; car 16 with Info 0x80 (CCI_LAST).
// One car a row.
// clang-format off
constexpr std::uint8_t kMci10[452] = {
    113, 38, 0, 16,  // Size (units), ISP_MCI, ReqI, NumC
    // Node, Lap, PLID, Position, Info, Sp3;  X, Y, Z;  Speed, Direction, Heading, AngVel
    1,0, 1,0, 1, 1, 0, 0,  0,0,1,0, 0,0,0,0, 0,0,0,0,  0,1, 0,0x40, 0,0x40, 0xFF,0xFF,
    2,0, 1,0, 2, 2, 0, 0,  0,0,2,0, 0,0,0,0, 0,0,0,0,  0,2, 0,0x40, 0,0x40, 0xFE,0xFF,
    3,0, 1,0, 3, 3, 0, 0,  0,0,3,0, 0,0,0,0, 0,0,0,0,  0,3, 0,0x40, 0,0x40, 0xFD,0xFF,
    4,0, 1,0, 4, 4, 0, 0,  0,0,4,0, 0,0,0,0, 0,0,0,0,  0,4, 0,0x40, 0,0x40, 0xFC,0xFF,
    5,0, 1,0, 5, 5, 0, 0,  0,0,5,0, 0,0,0,0, 0,0,0,0,  0,5, 0,0x40, 0,0x40, 0xFB,0xFF,
    6,0, 1,0, 6, 6, 0, 0,  0,0,6,0, 0,0,0,0, 0,0,0,0,  0,6, 0,0x40, 0,0x40, 0xFA,0xFF,
    7,0, 1,0, 7, 7, 0, 0,  0,0,7,0, 0,0,0,0, 0,0,0,0,  0,7, 0,0x40, 0,0x40, 0xF9,0xFF,
    8,0, 1,0, 8, 8, 0, 0,  0,0,8,0, 0,0,0,0, 0,0,0,0,  0,8, 0,0x40, 0,0x40, 0xF8,0xFF,
    9,0, 1,0, 9, 9, 0, 0,  0,0,9,0, 0,0,0,0, 0,0,0,0,  0,9, 0,0x40, 0,0x40, 0xF7,0xFF,
    10,0, 1,0, 10, 10, 0, 0,  0,0,10,0, 0,0,0,0, 0,0,0,0,  0,10, 0,0x40, 0,0x40, 0xF6,0xFF,
    11,0, 1,0, 11, 11, 0, 0,  0,0,11,0, 0,0,0,0, 0,0,0,0,  0,11, 0,0x40, 0,0x40, 0xF5,0xFF,
    12,0, 1,0, 12, 12, 0, 0,  0,0,12,0, 0,0,0,0, 0,0,0,0,  0,12, 0,0x40, 0,0x40, 0xF4,0xFF,
    13,0, 1,0, 13, 13, 0, 0,  0,0,13,0, 0,0,0,0, 0,0,0,0,  0,13, 0,0x40, 0,0x40, 0xF3,0xFF,
    14,0, 1,0, 14, 14, 0, 0,  0,0,14,0, 0,0,0,0, 0,0,0,0,  0,14, 0,0x40, 0,0x40, 0xF2,0xFF,
    15,0, 1,0, 15, 15, 0, 0,  0,0,15,0, 0,0,0,0, 0,0,0,0,  0,15, 0,0x40, 0,0x40, 0xF1,0xFF,
    16,0, 1,0, 16, 16, 0x80, 0,  0,0,16,0, 0,0,0,0, 0,0,0,0,  0,16, 0,0x40, 0,0x40, 0xF0,0xFF,
};
// clang-format on

}  // namespace golden
