// The tag index of a realistic map: which tags, in which order, with which ids and where
// their data is.

#include "mapbuilder/RealisticPlan.h"

#include "platform/Error.h"

#include <algorithm>
#include <string_view>

namespace pelmar::builder {

namespace {

// A class of the map: its tags in the demo map, whether bigger maps get more of them, and
// the paths of its tags ('|' between them).
struct ClassRow {
    const char* cls;
    int32_t demoCount;
    bool grows;
    const char* paths;
};

// Every class that has a layout, the scenario first; the order is the order in which the
// index interleaves them. The BSP is placed separately, near the end of the index. Entry 3
// is a bitmap, so that on Custom Edition the first indexed entry is entry 3, as in stock maps.
constexpr ClassRow kRows[] = {
    {"scnr", 1, false, "levels\\test\\pelmardemo\\pelmardemo"},
    {"matg", 1, false, "globals\\globals"},
    {"hudg", 1, false, "ui\\hud\\default"},
    {"bitm", 5, true,
     "ui\\shell\\bitmaps\\cursor|weapons\\assault rifle\\bitmaps\\assault rifle|characters\\"
     "cyborg\\bitmaps\\cyborg|effects\\particles\\bitmaps\\smoke|levels\\test\\pelmardemo\\"
     "bitmaps\\ground"},
    {"weap", 3, true,
     "weapons\\assault rifle\\assault rifle|weapons\\pistol\\pistol|weapons\\plasma rifle\\"
     "plasma rifle"},
    {"bipd", 2, true, "characters\\cyborg_mp\\cyborg_mp|characters\\marine\\marine"},
    {"vehi", 2, true, "vehicles\\warthog\\mp_warthog|vehicles\\ghost\\ghost_mp"},
    {"proj", 3, true,
     "weapons\\assault rifle\\bullet|weapons\\pistol\\bullet|weapons\\plasma rifle\\bolt"},
    {"effe", 4, true,
     "effects\\impacts\\metal|effects\\muzzle\\rifle|effects\\explosions\\large|levels\\test\\"
     "pelmardemo\\effects\\wind"},
    {"jpt!", 3, true,
     "weapons\\assault rifle\\bullet|weapons\\pistol\\bullet|weapons\\frag grenade\\shock wave"},
    {"snd!", 4, true,
     "sound\\sfx\\weapons\\assault rifle\\fire|sound\\sfx\\impulse\\impacts\\metal|sound\\"
     "dialog\\announcer\\slayer|levels\\test\\pelmardemo\\sound\\wind"},
    {"itmc", 2, true, "weapons\\multiplayer\\assault rifle|weapons\\multiplayer\\pistol"},
    {"mod2", 5, true,
     "weapons\\assault rifle\\fp\\fp|weapons\\pistol\\pistol|characters\\cyborg\\cyborg|"
     "vehicles\\warthog\\warthog|levels\\test\\pelmardemo\\scenery\\rock"},
    {"antr", 3, true,
     "weapons\\assault rifle\\fp\\fp|characters\\cyborg\\cyborg|vehicles\\warthog\\warthog"},
    {"coll", 3, true,
     "weapons\\assault rifle\\assault rifle|characters\\cyborg\\cyborg|vehicles\\warthog\\"
     "warthog"},
    {"phys", 2, true, "vehicles\\warthog\\warthog|vehicles\\ghost\\ghost"},
    {"soso", 3, true,
     "weapons\\assault rifle\\shaders\\assault rifle|characters\\cyborg\\shaders\\cyborg|"
     "vehicles\\warthog\\shaders\\warthog"},
    {"senv", 2, true,
     "levels\\test\\pelmardemo\\shaders\\ground|levels\\test\\pelmardemo\\shaders\\cliff"},
    {"schi", 1, true, "effects\\shaders\\smoke"},
    {"scex", 1, true, "effects\\shaders\\muzzle flash"},
    {"sgla", 1, true, "vehicles\\ghost\\shaders\\canopy"},
    {"smet", 1, true, "weapons\\assault rifle\\shaders\\ammo meter"},
    {"sotr", 1, true, "effects\\shaders\\glow"},
    {"spla", 1, true, "characters\\elite\\shaders\\shield"},
    {"swat", 1, true, "levels\\test\\pelmardemo\\shaders\\water"},
    {"eqip", 1, true, "powerups\\health pack"},
    {"garb", 1, true, "weapons\\assault rifle\\garbage\\magazine"},
    {"scen", 2, true, "scenery\\rocks\\boulder|levels\\test\\pelmardemo\\scenery\\teleporter base"},
    {"mach", 1, true, "levels\\test\\pelmardemo\\devices\\door"},
    {"ctrl", 1, true, "levels\\test\\pelmardemo\\devices\\switch"},
    {"lifi", 1, true, "levels\\test\\pelmardemo\\devices\\lamp"},
    {"plac", 1, true, "scenery\\placeholder"},
    {"ssce", 1, true, "sound\\sfx\\ambience\\wind"},
    {"part", 2, true, "effects\\particles\\smoke|effects\\particles\\sparks"},
    {"pctl", 1, true, "effects\\particle systems\\dust"},
    {"cont", 1, true, "effects\\contrails\\bullet trail"},
    {"ligh", 2, true, "effects\\lights\\muzzle flash|effects\\lights\\plasma"},
    {"lens", 1, true, "effects\\lens flares\\sun"},
    {"glw!", 1, true, "effects\\glow\\plasma"},
    {"deca", 2, true, "effects\\decals\\bullet hole|effects\\decals\\scorch"},
    {"foot", 1, true, "effects\\material effects\\player"},
    {"lsnd", 1, true, "sound\\sfx\\ambience\\wind loop"},
    {"snde", 1, true, "sound\\sound environments\\outdoors"},
    {"sky ", 1, false, "sky\\sky clear\\sky clear"},
    {"fog ", 1, false, "levels\\test\\pelmardemo\\fog\\haze"},
    {"wind", 1, false, "weather\\wind"},
    {"rain", 1, false, "weather\\snow"},
    {"cdmg", 1, true, "effects\\damage\\burning"},
    {"elec", 1, true, "effects\\lightning\\arc"},
    {"mgs2", 1, true, "effects\\light volumes\\beam"},
    {"pphy", 1, true, "effects\\point physics\\smoke"},
    {"ant!", 1, true, "vehicles\\warthog\\antenna"},
    {"flag", 1, true, "weapons\\flag\\cloth"},
    {"colo", 1, true, "characters\\cyborg\\colors"},
    {"str#", 1, true, "ui\\multiplayer\\game names"},
    {"tagc", 1, false, "ui\\ui_tags_loaded_multiplayer"},
    {"Soul", 1, false, "ui\\shell\\main_menu"},
    {"DeLa", 1, true, "ui\\shell\\main_menu\\main_menu"},
    {"font", 1, false, "ui\\large_ui"},
    {"ustr", 2, true, "ui\\multiplayer_game_text|ui\\shell\\strings\\loading"},
    {"hmt ", 1, false, "ui\\hud\\hud messages"},
    {"unhi", 1, true, "ui\\hud\\cyborg"},
    {"wphi", 1, true, "ui\\hud\\assault rifle"},
    {"grhi", 1, true, "ui\\hud\\frag grenade"},
    {"metr", 1, true, "ui\\hud\\meters\\ammo"},
    {"hud#", 1, false, "ui\\hud\\hud digits"},
    {"actr", 1, true, "characters\\marine\\marine"},
    {"actv", 1, true, "characters\\marine\\marine"},
    {"udlg", 1, true, "sound\\dialog\\marine\\marine"},
    {"trak", 1, true, "vehicles\\warthog\\camera track"},
    {"dobc", 1, true, "levels\\test\\pelmardemo\\detail objects\\grass"},
    {"devc", 1, false, "ui\\devices\\keyboard"},
    {"vcky", 1, false, "ui\\shell\\virtual keyboard"},
    {"ngpr", 1, false, "ui\\shell\\network game"},
    {"mply", 1, false, "ui\\multiplayer\\pelmardemo"},
};

constexpr std::string_view kMapFolder = "levels\\test\\pelmardemo\\";
constexpr std::string_view kBspPath = "levels\\test\\pelmardemo\\pelmardemo";
const std::string kNoClass(4, '\xFF');

// Parent and grandparent classes (nearest first), as the layouts give them.
std::pair<std::string, std::string> Parents(std::string_view cls) {
    static const std::pair<std::string_view, std::pair<const char*, const char*>> kParents[] = {
        {"weap", {"item", "obje"}},  {"eqip", {"item", "obje"}},  {"garb", {"item", "obje"}},
        {"bipd", {"unit", "obje"}},  {"vehi", {"unit", "obje"}},  {"ctrl", {"devi", "obje"}},
        {"lifi", {"devi", "obje"}},  {"mach", {"devi", "obje"}},  {"plac", {"obje", nullptr}},
        {"proj", {"obje", nullptr}}, {"scen", {"obje", nullptr}}, {"ssce", {"obje", nullptr}},
    };
    for (const auto& [child, parents] : kParents) {
        if (child == cls) {
            return {parents.first, parents.second ? parents.second : kNoClass};
        }
    }
    static constexpr std::string_view kShaders[] = {"scex", "schi", "senv", "sgla", "smet",
                                                    "soso", "sotr", "spla", "swat"};
    if (std::find(std::begin(kShaders), std::end(kShaders), cls) != std::end(kShaders)) {
        return {"shdr", kNoClass};
    }
    return {kNoClass, kNoClass};
}

// The path of copy `copy` of a class's tags: its paths in turn, then numbered.
std::string PathOf(std::string_view paths, int32_t copy) {
    std::vector<std::string_view> list;
    for (size_t start = 0; start <= paths.size();) {
        const size_t bar = std::min(paths.find('|', start), paths.size());
        list.push_back(paths.substr(start, bar - start));
        start = bar + 1;
    }
    const auto n = static_cast<int32_t>(list.size());
    std::string path(list[static_cast<size_t>(copy % n)]);
    return copy < n ? path : path + " " + std::to_string(copy / n + 1);
}

// Tags a map of `targetBytes` bytes is given when no count is asked for: stock multiplayer
// maps hold about 2,300–2,550 tags in 13–19 MB; benchmark maps keep tags near 80 KiB each.
constexpr uint64_t kBytesPerGrownTag = 80 * 1024;
constexpr int32_t kMaxTags = 65535;

int32_t WantedCount(const RealisticOptions& options, int32_t demoCount) {
    if (options.tagCount != 0) {
        if (options.tagCount < 2 || options.tagCount > kMaxTags) {
            throw PelmarError(ErrorKind::Limit, "realistic map: a map holds 2 to 65535 tags, not " +
                                                    std::to_string(options.tagCount));
        }
        return options.tagCount;
    }
    const uint64_t bySize = options.targetBytes / kBytesPerGrownTag;
    return static_cast<int32_t>(
        std::clamp<uint64_t>(bySize, static_cast<uint64_t>(demoCount), kMaxTags));
}

struct Planned {
    const ClassRow* row;
    int32_t copy;
};

// The rows' tags interleaved: the first of every class, then the second, and so on; `count`
// tags besides the BSP, the growing classes taking turns for tags beyond the demo's.
std::vector<Planned> Interleave(const std::vector<const ClassRow*>& rows, int32_t count) {
    std::vector<int32_t> copies;
    std::vector<size_t> growing;
    int32_t demo = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        copies.push_back(rows[r]->demoCount);
        demo += rows[r]->demoCount;
        if (rows[r]->grows) {
            growing.push_back(r);
        }
    }
    for (int32_t k = 0; k < count - demo && !growing.empty(); ++k) {
        ++copies[growing[static_cast<size_t>(k) % growing.size()]];
    }
    std::vector<Planned> order;
    const int32_t rounds = *std::max_element(copies.begin(), copies.end());
    for (int32_t round = 0; round < rounds; ++round) {
        for (size_t r = 0; r < rows.size(); ++r) {
            if (round < copies[r]) {
                order.push_back({rows[r], round});
            }
        }
    }
    order.resize(std::min(order.size(), static_cast<size_t>(count)));
    return order;
}

// Where the entry's data is on `version`: Custom Edition keeps shared bitmaps and sounds in
// bitmaps.map and sounds.map and every font and string list in loc.map; what belongs to this
// map alone (its folder) stays here. Retail keeps everything in the map.
EntryKind KindOf(const PlannedTag& tag, uint32_t version) {
    const bool shared = tag.name.rfind(kMapFolder, 0) != 0;
    if (version != 609) {
        return EntryKind::Data;
    }
    if (tag.class1 == "font" || tag.class1 == "ustr" || tag.class1 == "hmt " ||
        (tag.class1 == "bitm" && shared)) {
        return EntryKind::Resource;
    }
    return tag.class1 == "snd!" && shared ? EntryKind::IndexedSound : EntryKind::Data;
}

PlannedTag MakeTag(std::string cls, std::string name, const PluginDef* plugin) {
    PlannedTag tag;
    auto [parent, grandparent] = Parents(cls);
    tag.class1 = std::move(cls);
    tag.class2 = std::move(parent);
    tag.class3 = std::move(grandparent);
    tag.name = std::move(name);
    tag.plugin = plugin;
    return tag;
}

const PluginDef* Require(const PluginLookup& plugins, std::string_view cls) {
    const PluginDef* plugin = plugins(cls);
    if (plugin == nullptr) {
        throw PelmarError(ErrorKind::BadPlugin,
                          "realistic map: no plugin for the class " + std::string(cls));
    }
    return plugin;
}

} // namespace

uint32_t RealisticIdent(int32_t entry) {
    const auto i = static_cast<uint32_t>(entry);
    return ((0xE174u + i) << 16) | (i & 0xFFFFu);
}

std::vector<PlannedTag> PlanRealisticTags(const RealisticOptions& options,
                                          const PluginLookup& plugins) {
    Require(plugins, "scnr");
    const PluginDef* bsp = Require(plugins, "sbsp");
    std::vector<const ClassRow*> rows;
    int32_t demo = 1; // the BSP
    for (const ClassRow& row : kRows) {
        if (plugins(row.cls) != nullptr) {
            rows.push_back(&row);
            demo += row.demoCount;
        }
    }
    const int32_t count = WantedCount(options, demo);
    std::vector<PlannedTag> tags;
    for (const Planned& p : Interleave(rows, count - 1)) {
        tags.push_back(MakeTag(p.row->cls, PathOf(p.row->paths, p.copy), plugins(p.row->cls)));
    }
    // Stock maps have their BSP near the end of the index (e.g. entry 2364 of 2408).
    const auto n = static_cast<int32_t>(tags.size()) + 1;
    const int32_t bspEntry = std::max(1, n - 1 - std::max(2, n / 50));
    tags.insert(tags.begin() + bspEntry, MakeTag("sbsp", std::string(kBspPath), bsp));
    uint32_t bitmaps = 0;
    uint32_t strings = 0;
    for (size_t i = 0; i < tags.size(); ++i) {
        PlannedTag& tag = tags[i];
        tag.ident = RealisticIdent(static_cast<int32_t>(i));
        tag.kind = tag.class1 == "sbsp" ? EntryKind::Bsp : KindOf(tag, options.version);
        if (tag.kind == EntryKind::Resource) {
            tag.resourceIndex = tag.class1 == "bitm" ? bitmaps++ : strings++;
        }
    }
    return tags;
}

} // namespace pelmar::builder
