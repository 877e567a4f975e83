#pragma once

#include "scan/NumFromStr.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vorlund {

inline constexpr std::size_t kTextMax = 32; // bytes of a doubt's text

// What one line holds that can make its depth doubtful. Words are looked for
// outside comments only: "(" to ")" or the line end, ";" to the line end.
struct LineFacts {
    bool HasZ = false;   // the Z word: the first capital Z
    bool ZDigit = false; // its number has a digit
    bool ZAxis = false;  // it names an axis: "Z" alone before the line end, a comment or a word
    bool ZBad = false;   // its number is out of range
    bool ZBelow = false; // its value is below 0
    bool ZAfterI = false;
    std::int8_t Mode = -1;             // the last G90 (0) or G91 (1); -1 when none
    bool Lower = false;                // a z with a value below 0, a "#" or a "["
    std::string_view ZText, LowerText; // into the judge's own text, until its Reset
    // The first word of each group, raw; empty when none.
    std::string Machine;            // G53, M91, M92, SUPA
    std::string Offset;             // G10, G92, CYCL DEF 7.
    std::string Probe;              // G38.2 to G38.5, G31
    std::string Call;               // M98, G65, G66, CALL PGM
    std::string OName, OText;       // the first o-word call: its name ("100", "<pocket>") and text
    std::vector<std::string> OSubs; // names the line defines
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
    // The bytes of a Z or z word's text: spaces, then up to a space, a
    // comment or the next word.
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
    void LowerZ(char C);
    bool EndLower(); // true when the z counts
    void Word(char C);
    void EndWord();
    void OWord(char C);
    void Keywords(char C);

    LineFacts facts_;
    Comment comment_ = Comment::None;
    char prev_ = 0;
    // The depth rule's Z word.
    enum class ZState : std::uint8_t { None, Reading, Done } z_ = ZState::None;
    NumberReader zNumber_;
    Token zText_;
    // What follows the Z: nothing yet, or only spaces; Off once anything else has.
    enum class Axis : std::uint8_t { Off, Right, Spaces } axis_ = Axis::Off;
    // A lower-case z being read.
    Phase lower_ = Phase::Off;
    NumberReader lowerNumber_;
    Token lowerText_;
    // A G or M word being read.
    char letter_ = 0;
    Phase word_ = Phase::Off;
    std::uint32_t whole_ = 0;
    int fractionDigits_ = 0;
    int tenth_ = 0;
    bool digit_ = false, odd_ = false;
    Text wordText_;
    // An o-word being read.
    Phase o_ = Phase::Off;
    std::string oName_;
    std::size_t oMatched_ = 0; // bytes of "call" or "sub" matched
    bool oCall_ = false, oSub_ = false;
    Text oText_;
    // SUPA, CYCL DEF 7., CALL PGM: bytes matched of each.
    std::size_t keyMatched_[3] = {};
    bool busy_ = false; // a word or a text is being read
};

struct DoubtTrack;

// Adds a line with Facts to Track, as its Line, after the lines before it.
void AddLine(DoubtTrack& Track, std::set<std::string>& Subs, const LineFacts& Facts,
             std::int64_t Line);

// Track for Then's lines appended to First's, Then starting at line Offset + 1.
void Append(DoubtTrack& First, const DoubtTrack& Then, std::int64_t Offset);

} // namespace vorlund
