#pragma once

#include "scan/NumFromStr.h"
#include "scan/Words.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlund {

inline constexpr std::size_t kTextMax = 32; // bytes of a doubt's text

// What one line holds that the fast scan cannot settle. Words are looked for
// outside comments only: "(" to ")" or the line end, ";" to the line end.
struct LineFacts {
    bool HasZ = false;   // the Z word: the first capital Z
    bool ZDigit = false; // its number has a digit
    bool ZAxis = false;  // it names an axis: "Z" alone before the line end, a comment or a word
    bool ZBad = false;   // its number is out of range
    bool ZBelow = false; // its value is below 0
    bool ZAfterI = false;
    std::int8_t Mode = -1;  // the last G90 (0) or G91 (1); -1 when none
    std::int8_t Unit = -1;  // the last G20 (0) or G21 (1); -1 when none
    bool End = false;       // M2 or M30
    std::string_view ZText; // into the judge's own text, until its Reset
    // The first word of each kind, raw; empty when none.
    std::array<std::string, kScanReasons> Words;
};

// Reads one line a byte at a time, so that a line cut into pieces reads as a
// whole; its state does not grow with the line.
class LineJudge {
public:
    LineJudge() { Reset(); }
    void Reset();
    void Feed(char C);
    void Feed(const char* From, const char* To) {
        for (; From < To; ++From)
            Feed(*From);
    }
    // The line's facts, its end reached.
    const LineFacts& End();

private:
    // A captured word: raw bytes, cut at kTextMax.
    struct Text {
        std::string Bytes;
        bool Open = false;
        void Start(char C) {
            Bytes.assign(1, C);
            Open = true;
        }
        void Add(char C) {
            if (Open && Bytes.size() < kTextMax) Bytes += C;
        }
    };
    // The bytes of a Z word's text: spaces, then up to a space, a comment or
    // the next word.
    struct Token {
        Text T;
        bool Body = false;
        int Depth = 0;
        void Start(char C) {
            T.Start(C);
            Body = false;
            Depth = 0;
        }
        void Add(char C);
    };
    enum class Comment : std::uint8_t { None, Paren, Rest };
    enum class Phase : std::uint8_t { Off, Spaces, Whole, Fraction, Name, Number, Keyword };

    static constexpr std::uint32_t kWordMax = 100000; // G and M numbers from here match nothing

    void Code(char C);
    void DepthZ(char C);
    void EndZ();
    void AxisZ(char C);
    void LowerWord(char C);
    void Word(char C);
    void EndWord();
    void OWord(char C);
    void EndOWord();
    void Keywords(char C);
    void Note(Reason Kind, const std::string& Text);

    LineFacts facts_;
    Comment comment_ = Comment::None;
    char prev_ = 0;
    // The depth rule's Z word.
    enum class ZState : std::uint8_t { None, Reading, Done } z_ = ZState::None;
    NumberReader zNumber_;
    Token zText_;
    // What follows the Z: nothing yet, or only spaces; Off once anything else has.
    enum class Axis : std::uint8_t { Off, Right, Spaces } axis_ = Axis::Off;
    // The first lower-case word: its letter and what follows up to a space,
    // a comment or a letter.
    Text lower_;
    // A G or M word being read.
    char letter_ = 0;
    Phase word_ = Phase::Off;
    std::uint32_t whole_ = 0;
    int fractionDigits_ = 0;
    int tenth_ = 0;
    bool digit_ = false, odd_ = false;
    Text wordText_;
    // An o-word being read: its name, then the keyword after it.
    Phase o_ = Phase::Off;
    std::string oKey_;
    Text oText_;
    // The dialect keywords: bytes matched of each.
    std::size_t keyMatched_[std::size(kKeyRules)] = {};
    std::uint8_t keys_[std::size(kKeyRules)] = {}; // [0, active_): the keys partly matched
    std::size_t active_ = 0;
    bool keyBusy_ = false;
    int wholeKey_ = -1; // a whole key matched up to the last byte, waiting for the next
    bool busy_ = false; // a word or a text is being read
};

enum class Flow : std::uint8_t;
struct DoubtTrack;

// Adds a line with Facts to Track, as its Line, after the lines before it.
void AddLine(DoubtTrack& Track, const LineFacts& Facts, std::int64_t Line);

// Track for Then's lines appended to First's, Then starting at line Offset + 1.
void Append(DoubtTrack& First, const DoubtTrack& Then, std::int64_t Offset);

} // namespace vorlund
