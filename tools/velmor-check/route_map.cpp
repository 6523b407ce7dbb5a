#include "tools/velmor-check/route_map.h"

#include <graphviz/gvc.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>
#include <vector>

#include "engine/velmor.h"
#include "engine/velmor_script.h"
#include "platform/sjis.h"
#include "resources/bcl.h"
#include "resources/yxstringlib.h"
#include "tools/velmor-check/coverage_report.h"
#include "tools/velmor-check/game_checker.h"

namespace {

using Script = TGameChecker::ScriptInfo;

const char kRed[] = "#c0392b";
const char kRedFill[] = "#fadbd8";
const char kGrey[] = "#9e9e9e";
const char kChoice[] = "#1f5fbf";
const char kTable[] = "#2e7d32";
const char kMode[] = "#7b3fa0";
const char kEndFill[] = "#fff2b3";

std::string Fold(const std::string& text) {
    return TyxBCL::NameKey(text);
}

// At most `limit` characters of UTF-8 text.
std::string Cut(const std::string& utf8, size_t limit) {
    size_t chars = 0;
    for (size_t i = 0; i < utf8.size(); ++i)
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80 && chars++ == limit)
            return utf8.substr(0, i) + "…";
    return utf8;
}

// A dot string of UTF-8 text; line ends become line breaks.
std::string Quote(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '"' || c == '\\') out += '\\';
        out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return out + "\"";
}

std::string Html(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"')
            out += "&quot;";
        else
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return out;
}

// A node's label: its name, and below it smaller where it is.
std::string NodeLabel(const std::string& utf8, const std::string& where) {
    return "<" + Html(Cut(utf8, 30)) + "<BR/><FONT POINT-SIZE=\"8\" COLOR=\"#707070\">" +
           Html(where) + "</FONT>>";
}

enum class State { Plain, Unreachable, NotRun };

std::string NodeStyle(State state) {
    switch (state) {
        case State::Unreachable:
            return std::string("style=\"rounded,dashed\" color=\"") + kGrey + "\" fontcolor=\"" +
                   kGrey + "\"";
        case State::NotRun:
            return std::string("fillcolor=\"") + kRedFill + "\" color=\"" + kRed + "\" penwidth=2";
        default:
            return "";
    }
}

class Builder {
public:
    Builder(const TGameChecker& checker, const TCoverageReport* coverage);
    std::string Build();
    int Unreached = 0;
    int Paragraphs = 0;

private:
    std::string Id(size_t script, int32_t first) const;
    // The node of the paragraph (or the script's beginning) that holds the line.
    std::string NodeOf(size_t script, int32_t line) const;
    bool Ran(size_t script, int32_t line) const;
    State StateOf(size_t script, int32_t first, int32_t end, const std::string& label) const;
    void IndexChoices(size_t s);
    void WriteScript(std::ostream& out, size_t s);
    void WriteRoute(std::ostream& out, const TGameChecker::Route& route);
    std::string Target(const std::string& script, const std::string& label);
    void WriteLegend(std::ostream& out) const;

    const TGameChecker& m_Checker;
    const TCoverageReport* m_Coverage;
    const std::vector<std::unique_ptr<Script>>& m_Scripts;
    std::map<std::string, size_t> m_Index;                   // folded name -> script
    std::vector<std::vector<int32_t>> m_LabelLines;          // per script
    std::vector<bool> m_HasBeginning;                        // code before the first label
    std::map<std::string, std::set<int32_t>> m_RanLines;     // folded script -> lines from 1
    std::map<std::string, std::set<std::string>> m_Visited;  // folded script -> folded labels
    std::map<std::pair<std::string, int32_t>, std::set<int32_t>> m_Taken;
    std::set<std::pair<std::string, int32_t>> m_Ended;
    // addsel line -> the select line that offers it and its index there.
    std::map<std::pair<size_t, int32_t>, std::pair<int32_t, int>> m_ChoiceOf;
    std::map<std::string, std::string> m_Extra;  // missing targets and description files
    std::ostringstream m_Edges;
};

Builder::Builder(const TGameChecker& checker, const TCoverageReport* coverage)
    : m_Checker(checker), m_Coverage(coverage), m_Scripts(checker.Scripts()) {
    for (size_t s = 0; s < m_Scripts.size(); ++s) {
        const Script& script = *m_Scripts[s];
        m_Index.emplace(Fold(script.Name), s);
        m_LabelLines.emplace_back();
        bool code = false;
        for (size_t i = 0; i < script.Lines.size(); ++i) {
            const auto kind = TVelmorScript::ClassifyLine(script.Lines[i]);
            if (kind == TVelmorScript::kLineLabel)
                m_LabelLines.back().push_back(int32_t(i));
            else if (m_LabelLines.back().empty() && kind != TVelmorScript::kLineEmpty &&
                     kind != TVelmorScript::kLineComment)
                code = true;
        }
        m_HasBeginning.push_back(code);
        IndexChoices(s);
    }
    if (!m_Coverage) return;
    for (const auto& [script, lines] : m_Coverage->Lines)
        m_RanLines[Fold(script)].insert(lines.begin(), lines.end());
    for (const auto& [script, labels] : m_Coverage->Paragraphs)
        for (const std::string& label : labels) m_Visited[Fold(script)].insert(Fold(label));
    for (const auto& [place, taken] : m_Coverage->Choices)
        m_Taken[{Fold(place.first), place.second}].insert(taken.begin(), taken.end());
    for (const auto& [script, line] : m_Coverage->Endings) m_Ended.insert({Fold(script), line});
}

void Builder::IndexChoices(size_t s) {
    // As the checker counts them: the addsel lines since the last clrsel before a select.
    const Script& script = *m_Scripts[s];
    auto words = [&](int32_t i) {
        TStringList t;
        const std::string& line = script.Lines[size_t(i)];
        if (TVelmorScript::ClassifyLine(line) == TVelmorScript::kLineCommand)
            yx::SplitNonEmpty(line, TVelmorInterpreter::kCommandDelimiters, t);
        return t;
    };
    for (int32_t select = 0; select < int32_t(script.Lines.size()); ++select) {
        const TStringList t = words(select);
        if (t.empty() || !yx::SameText(t[0], "select")) continue;
        std::vector<int32_t> offered;
        for (int32_t i = select - 1; i >= 0; --i) {
            const TStringList w = words(i);
            if (!w.empty() && yx::SameText(w[0], "clrsel")) break;
            if (!w.empty() && yx::SameText(w[0], "addsel") && w.size() >= 3)
                offered.insert(offered.begin(), i);
        }
        for (size_t c = 0; c < offered.size(); ++c)
            m_ChoiceOf.emplace(std::make_pair(s, offered[c]), std::make_pair(select, int(c)));
    }
}

std::string Builder::Id(size_t script, int32_t first) const {
    return "s" + std::to_string(script) + (first < 0 ? "b" : "p" + std::to_string(first));
}

std::string Builder::NodeOf(size_t script, int32_t line) const {
    int32_t first = -1;
    for (int32_t label : m_LabelLines[script])
        if (label <= line) first = label;
    return Id(script, first);
}

bool Builder::Ran(size_t script, int32_t line) const {
    auto it = m_RanLines.find(Fold(m_Scripts[script]->Name));
    return it != m_RanLines.end() && it->second.count(line + 1);
}

State Builder::StateOf(size_t script, int32_t first, int32_t end, const std::string& label) const {
    const Script& info = *m_Scripts[script];
    bool canRun = false;
    for (int32_t i = std::max(first, 0); i < end && !canRun; ++i) canRun = info.CanRun[size_t(i)];
    if (!canRun) return State::Unreachable;
    if (!m_Coverage) return State::Plain;
    if (!label.empty()) {
        auto it = m_Visited.find(Fold(info.Name));
        if (it != m_Visited.end() && it->second.count(Fold(label))) return State::Plain;
    }
    for (int32_t i = std::max(first, 0); i < end; ++i)
        if (Ran(script, i)) return State::Plain;
    return State::NotRun;
}

void Builder::WriteScript(std::ostream& out, size_t s) {
    const Script& script = *m_Scripts[s];
    const std::string utf8Name = platform::SjisToUtf8(script.Name);
    out << "  subgraph cluster_s" << s << " {\n    label=" << Quote(utf8Name)
        << "; style=\"rounded,filled\"; fillcolor=\"#f4f6f8\"; color=\"#a0a8b0\";\n";
    const std::vector<int32_t>& labels = m_LabelLines[s];
    const auto lineCount = int32_t(script.Lines.size());
    if (m_HasBeginning[s] || labels.empty()) {
        const int32_t end = labels.empty() ? lineCount : labels.front();
        const State state = StateOf(s, -1, end, {});
        out << "    " << Id(s, -1) << " [label=" << NodeLabel("(beginning)", "line 1") << " "
            << NodeStyle(state) << "];\n";
    }
    for (size_t k = 0; k < labels.size(); ++k) {
        const int32_t first = labels[k];
        const int32_t end = k + 1 < labels.size() ? labels[k + 1] : lineCount;
        const std::string& label = script.Lines[size_t(first)];
        const State state = StateOf(s, first, end, label);
        Unreached += state == State::NotRun;
        ++Paragraphs;
        out << "    " << Id(s, first) << " [label="
            << NodeLabel(platform::SjisToUtf8(label), "line " + std::to_string(first + 1)) << " "
            << NodeStyle(state) << "];\n";
    }
    // Where the story leaves the script's paragraphs: endings, returns, the title screen.
    for (int32_t i = 0; i < lineCount; ++i) {
        const std::string& line = script.Lines[size_t(i)];
        const auto kind = TVelmorScript::ClassifyLine(line);
        TStringList t;
        if (kind == TVelmorScript::kLineCommand)
            yx::SplitNonEmpty(line, TVelmorInterpreter::kCommandDelimiters, t);
        else if (kind == TVelmorScript::kLineSystem)
            yx::SplitNonEmpty(line, TVelmorInterpreter::kSystemDelimiters, t);
        const bool end = kind == TVelmorScript::kLineEnd;
        const bool back =
            kind == TVelmorScript::kLineCommand && !t.empty() && yx::SameText(t[0], "return");
        const bool title =
            kind == TVelmorScript::kLineSystem && !t.empty() && yx::SameText(t[0], "titlereturn");
        if (!end && !back && !title) continue;
        const std::string id = "s" + std::to_string(s) + "x" + std::to_string(i);
        const std::string where = "line " + std::to_string(i + 1);
        State state = script.CanRun[size_t(i)] ? State::Plain : State::Unreachable;
        if (end && state == State::Plain && m_Coverage &&
            !m_Ended.count({Fold(script.Name), i + 1}))
            state = State::NotRun;
        Unreached += end && state == State::NotRun;
        out << "    " << id << " [label="
            << NodeLabel(end    ? "END"
                         : back ? "return"
                                : "title",
                         where)
            << (end ? std::string(" shape=doubleoctagon fillcolor=\"") + kEndFill + "\""
                    : std::string(" shape=cds"))
            << " " << NodeStyle(state) << "];\n";
        m_Edges << "  " << NodeOf(s, i) << " -> " << id << ";\n";
    }
    out << "  }\n";
    // A paragraph the line before runs on into.
    for (int32_t label : labels) {
        if (!script.RunsInto.count(label)) continue;
        std::string from = NodeOf(s, label - 1);
        if (label == labels.front() && !m_HasBeginning[s]) {
            if (s != 0) continue;
            from = "start";
        }
        m_Edges << "  " << from << " -> " << Id(s, label) << " [style=dotted color=\"" << kGrey
                << "\"];\n";
    }
}

std::string Builder::Target(const std::string& script, const std::string& label) {
    auto it = m_Index.find(Fold(script));
    if (it != m_Index.end()) {
        const Script& target = *m_Scripts[it->second];
        if (auto at = target.Labels.find(Fold(label)); at != target.Labels.end())
            return Id(it->second, at->second);
    }
    const std::string key = "missing\n" + Fold(script) + "\n" + Fold(label);
    auto [found, added] = m_Extra.emplace(key, "m" + std::to_string(m_Extra.size()));
    if (added)
        m_Edges << "  " << found->second << " [label="
                << NodeLabel("missing " + platform::SjisToUtf8(label), platform::SjisToUtf8(script))
                << " shape=octagon style=filled fillcolor=\"" << kRedFill << "\" color=\"" << kRed
                << "\"];\n";
    return found->second;
}

void Builder::WriteRoute(std::ostream& out, const TGameChecker::Route& route) {
    const std::string to = Target(route.Script, route.Label);
    auto source = m_Index.find(Fold(route.From));
    std::string from;
    if (source != m_Index.end() && route.Line >= 0) {
        from = NodeOf(source->second, route.Line);
    } else {
        auto [found, added] =
            m_Extra.emplace("file\n" + Fold(route.From), "d" + std::to_string(m_Extra.size()));
        if (added)
            out << "  " << found->second
                << " [label=" << NodeLabel(platform::SjisToUtf8(route.From), route.Why)
                << " shape=note];\n";
        from = found->second;
    }
    std::string caption = platform::SjisToUtf8(route.Caption);
    std::string colour = "#404040", style = "solid";
    if (route.Why == "choice") {
        colour = kChoice;
        caption = Cut(caption, 24);
    } else if (route.Why == "junction") {
        colour = kTable;
        style = "dashed";
        caption = caption.empty() ? "otherwise" : "if " + Cut(caption, 24);
    } else if (route.Why != "jump") {
        colour = kMode;
        style = "dashed";
        caption = Cut(caption, 24);
    }
    bool notRun = false;
    if (source != m_Index.end() && route.Line >= 0) {
        const size_t s = source->second;
        const std::string& line = m_Scripts[s]->Lines[size_t(route.Line)];
        // A jump made only when a variable test holds says so.
        if (route.Why == "jump" &&
            TVelmorScript::ClassifyLine(line) == TVelmorScript::kLineVariable) {
            TStringList t;
            yx::SplitNonEmpty(line, TVelmorInterpreter::kVariableDelimiters, t);
            if (t.size() >= 3)
                caption = "if " + platform::SjisToUtf8(t[0] + " " + t[1] + " " + t[2]);
        }
        const bool canRun = m_Scripts[s]->CanRun[size_t(route.Line)];
        auto choice = m_ChoiceOf.find({s, route.Line});
        if (m_Coverage && canRun && route.Why == "choice" && choice != m_ChoiceOf.end()) {
            auto taken = m_Taken.find({Fold(m_Scripts[s]->Name), choice->second.first + 1});
            notRun = taken == m_Taken.end() || !taken->second.count(choice->second.second);
            Unreached += notRun;
        } else if (m_Coverage && canRun) {
            notRun = !Ran(s, route.Line);
        }
    }
    if (notRun) colour = kRed;
    out << "  " << from << " -> " << to << " [color=\"" << colour << "\" fontcolor=\"" << colour
        << "\" style=" << style << (route.Why == "choice" ? " penwidth=1.6" : "");
    if (!caption.empty()) out << " label=" << Quote(caption);
    out << "];\n";
}

void Builder::WriteLegend(std::ostream& out) const {
    out << "  subgraph cluster_legend {\n    label=\"Legend\"; style=rounded; color=\"#a0a8b0\";"
           "\n    node [fontsize=9];\n    edge [fontsize=9];\n";
    out << "    lgp [label=\"paragraph\"];\n"
        << "    lge [label=\"ending\" shape=doubleoctagon fillcolor=\"" << kEndFill << "\"];\n"
        << "    lgm [label=\"missing target\" shape=octagon fillcolor=\"" << kRedFill
        << "\" color=\"" << kRed << "\"];\n"
        << "    lgu [label=\"no way of playing\\nreaches it\" " << NodeStyle(State::Unreachable)
        << "];\n";
    if (m_Coverage)
        out << "    lgn [label=\"no run reached it\" " << NodeStyle(State::NotRun) << "];\n";
    struct Sample {
        const char* label;
        std::string attributes;
    };
    const Sample samples[] = {
        {"jump", ""},
        {"choice: caption",
         std::string("color=\"") + kChoice + "\" fontcolor=\"" + kChoice + "\" penwidth=1.6"},
        {"junction table",
         std::string("color=\"") + kTable + "\" fontcolor=\"" + kTable + "\" style=dashed"},
        {"selector, map, scene",
         std::string("color=\"") + kMode + "\" fontcolor=\"" + kMode + "\" style=dashed"},
        {"runs on",
         std::string("color=\"") + kGrey + "\" fontcolor=\"" + kGrey + "\" style=dotted"},
        {"no run took it", std::string("color=\"") + kRed + "\" fontcolor=\"" + kRed + "\""},
    };
    // One sample a row: each edge across, the rows held in order by unseen edges.
    int n = 0;
    for (const Sample& sample : samples) {
        if (!m_Coverage && n == 5) break;
        const std::string a = "lg" + std::to_string(n) + "a", b = "lg" + std::to_string(n) + "b";
        out << "    " << a << " [shape=point width=0.06]; " << b
            << " [shape=point width=0.06];\n    { rank=same; " << a << " -> " << b << " [label=\""
            << sample.label << "\" " << sample.attributes << "]; }\n";
        if (n > 0) out << "    lg" << n - 1 << "a -> " << a << " [style=invis];\n";
        ++n;
    }
    out << "    lgp -> lge -> lgm -> lgu" << (m_Coverage ? " -> lgn" : "")
        << " [style=invis];\n    " << (m_Coverage ? "lgn" : "lgu") << " -> lg0a [style=invis];\n";
    out << "  }\n";
}

std::string Builder::Build() {
    std::ostringstream out;
    std::string title = "Route map of " + platform::SjisToUtf8(m_Checker.ProjectName());
    if (m_Coverage)
        title += " (red: what none of " + std::to_string(m_Coverage->Runs) + " runs reached)";
    out << "digraph route_map {\n"
        << "  graph [label=" << Quote(title) << " labelloc=t fontsize=16 fontname=\"sans-serif\""
        << " nodesep=0.3 ranksep=0.4 newrank=true];\n"
        << "  node [shape=box style=\"rounded,filled\" fillcolor=white color=\"#404040\""
        << " fontname=\"sans-serif\" fontsize=11];\n"
        << "  edge [fontname=\"sans-serif\" fontsize=10 arrowsize=0.7];\n"
        << "  start [label=\"START\" shape=circle style=filled fillcolor=\"" << kTable
        << "\" fontcolor=white];\n";
    for (size_t s = 0; s < m_Scripts.size(); ++s) WriteScript(out, s);
    if (!m_Scripts.empty() && (m_HasBeginning[0] || m_LabelLines[0].empty()))
        m_Edges << "  start -> " << Id(0, -1) << ";\n";
    for (const TGameChecker::Route& route : m_Checker.Routes()) WriteRoute(out, route);
    out << m_Edges.str();
    WriteLegend(out);
    out << "}\n";
    return out.str();
}

}  // namespace

TRouteMap::TRouteMap(const TGameChecker& checker, const TCoverageReport* coverage) {
    Builder builder(checker, coverage);
    m_Dot = builder.Build();
    m_Unreached = builder.Unreached;
    m_Paragraphs = builder.Paragraphs;
}

bool TRouteMap::Write(const std::string& hostPath, std::string& error) const {
    const std::string ext =
        yx::LowerCaseAscii(std::filesystem::path(hostPath).extension().string());
    if (ext == ".dot" || ext == ".gv") {
        std::ofstream out(hostPath, std::ios::binary);
        out << m_Dot;
        out.close();
        if (!out) error = "cannot write " + hostPath;
        return bool(out);
    }
    if (ext != ".svg" && ext != ".png" && ext != ".pdf") {
        error = "the route map is written as .svg, .png, .pdf or .dot, not " + hostPath;
        return false;
    }
    // Graphviz reports a file it cannot open only on stderr: try it first.
    if (!std::ofstream(hostPath, std::ios::binary)) {
        error = "cannot write " + hostPath;
        return false;
    }
    // The text plug-in keeps a pointer to a font name owned by the first context
    // that measured text; freeing that context and making another leaves it dangling.
    static GVC_t* const context = gvContext();
    Agraph_t* graph = agmemread(m_Dot.c_str());
    bool ok = graph && gvLayout(context, graph, "dot") == 0;
    if (ok) {
        std::error_code ec;
        ok = gvRenderFilename(context, graph, ext.c_str() + 1, hostPath.c_str()) == 0 &&
             std::filesystem::file_size(hostPath, ec) > 0 && !ec;
        gvFreeLayout(context, graph);
        if (!ok) error = "cannot write " + hostPath;
    } else {
        error = "Graphviz could not lay out the route map";
    }
    if (graph) agclose(graph);
    return ok;
}
