#include "mapbuilder/DemoMap.h"

#include "map/MapLayout.h"

#include <array>
#include <bit>
#include <string>

namespace pelmar::builder {

namespace {

uint32_t FloatBits(float f) {
    return std::bit_cast<uint32_t>(f);
}

// Fills a block with recognisable small values that can never be mistaken for addresses.
Block Filled(size_t size, uint32_t seed) {
    Block b(size);
    for (size_t at = 0; at + 4 <= size; at += 4) {
        b.SetWord(at, (seed * 131u + static_cast<uint32_t>(at) * 7u) & 0xFFFFu);
    }
    return b;
}

// A struct of `count` chunks with no structs of their own.
Reflexive Simple(int32_t offset, int32_t size, int count, uint32_t seed) {
    Reflexive r{offset, size, {}};
    for (int k = 0; k < count; ++k) {
        r.chunks.push_back(Filled(static_cast<size_t>(size), seed + static_cast<uint32_t>(k)));
    }
    return r;
}

struct Idents {
    uint32_t proj = 0, effe = 0, vehi = 0;
};

Block Scenario(uint32_t seed, const Idents& ids) {
    Block root = Filled(1536, seed);
    Reflexive skies = Simple(48, 16, 2, seed);
    Reflexive spawns{60, 52, {}};
    for (int k = 0; k < 3; ++k) {
        Block spawn = Filled(52, seed + 10 + static_cast<uint32_t>(k));
        spawn.SetWord(0, FloatBits(1.0f * static_cast<float>(k)));
        spawn.Add(Simple(20, 16, k, seed + 20));
        spawns.chunks.push_back(std::move(spawn));
    }
    Reflexive palette = Simple(72, 48, 2, seed + 30);
    for (Block& chunk : palette.chunks) {
        chunk.SetWord(12, ids.vehi);
    }
    root.Add(std::move(skies)).Add(std::move(spawns)).Add(std::move(palette));
    return root;
}

Block Weapon(uint32_t seed, const Idents& ids) {
    Block root = Filled(256, seed);
    root.SetWord(16, ids.proj).SetWord(24, FloatBits(1.5f + static_cast<float>(seed % 4)));
    Reflexive magazines{40, 32, {}};
    for (int m = 0; m < 2; ++m) {
        Block magazine = Filled(32, seed + static_cast<uint32_t>(m));
        Reflexive packs{8, 16, {}};
        for (int p = 0; p < 2; ++p) {
            Block pack = Filled(16, seed + 5 + static_cast<uint32_t>(p));
            Reflexive effects = Simple(4, 12, 1 + (p + static_cast<int>(seed)) % 2, seed + 9);
            for (Block& effect : effects.chunks) {
                effect.SetWord(0, ids.effe);
            }
            pack.Add(std::move(effects));
            packs.chunks.push_back(std::move(pack));
        }
        magazine.Add(std::move(packs));
        magazines.chunks.push_back(std::move(magazine));
    }
    root.Add(std::move(magazines)).Add(Simple(52, 24, 1 + static_cast<int>(seed % 3), seed + 2));
    return root;
}

Block Biped(uint32_t seed, const Idents&) {
    Block root = Filled(128, seed);
    root.SetWord(8, FloatBits(2.25f));
    root.Add(Simple(32, 16, 3, seed)).Add(Simple(44, 28, static_cast<int>(seed % 2), seed + 1));
    return root;
}

Block Vehicle(uint32_t seed, const Idents&) {
    Block root = Filled(192, seed);
    root.SetWord(12, FloatBits(1200.0f));
    Reflexive seats{64, 40, {}};
    for (int k = 0; k < 2 + static_cast<int>(seed % 2); ++k) {
        Block seat = Filled(40, seed + static_cast<uint32_t>(k));
        seat.Add(Simple(16, 12, k % 3, seed + 3));
        seats.chunks.push_back(std::move(seat));
    }
    root.Add(std::move(seats)).Add(Simple(80, 24, 4, seed + 4));
    return root;
}

Block Projectile(uint32_t seed, const Idents& ids) {
    Block root = Filled(96, seed);
    root.SetWord(4, FloatBits(90.0f));
    Reflexive responses = Simple(24, 28, 3, seed);
    for (Block& chunk : responses.chunks) {
        chunk.SetWord(4, ids.effe);
    }
    root.Add(std::move(responses));
    return root;
}

Block Effect(uint32_t seed, const Idents&) {
    Block root = Filled(64, seed);
    Reflexive events{8, 40, {}};
    for (int e = 0; e < 2; ++e) {
        Block event = Filled(40, seed + static_cast<uint32_t>(e));
        Reflexive particles{24, 32, {}};
        for (int p = 0; p < 1 + e; ++p) {
            Block particle = Filled(32, seed + 7);
            particle.Add(Simple(8, 20, 2, seed + 8));
            particles.chunks.push_back(std::move(particle));
        }
        event.Add(Simple(12, 24, 2, seed + 6)).Add(std::move(particles));
        events.chunks.push_back(std::move(event));
    }
    root.Add(std::move(events));
    return root;
}

Block Sound(uint32_t seed, const Idents&) {
    return Filled(80, seed);
}

using BlockMaker = Block (*)(uint32_t, const Idents&);

struct DemoClass {
    const char* code;
    BlockMaker make;
};

constexpr std::array<DemoClass, 6> kClasses = {{{"weap", Weapon},
                                                {"bipd", Biped},
                                                {"vehi", Vehicle},
                                                {"proj", Projectile},
                                                {"effe", Effect},
                                                {"snd!", Sound}}};

TagSpec MakeTag(int32_t index, const std::string& class1, std::string name, Block data) {
    TagSpec tag;
    tag.class1 = class1;
    tag.ident = DemoIdent(index);
    tag.name = std::move(name);
    tag.data = std::move(data);
    return tag;
}

TagSpec ScenarioTag(const std::string& name, const Idents& ids) {
    TagSpec tag = MakeTag(0, "scnr", name, Scenario(1, ids));
    tag.endAddressWord = static_cast<int32_t>(layout::kScenarioScanEndField);
    return tag;
}

} // namespace

uint32_t DemoIdent(int32_t i) {
    return 0xE1740000u + static_cast<uint32_t>(i) * 0x10001u;
}

MapSpec DemoMapSpec() {
    struct Named {
        const char* code;
        const char* name;
    };
    static const Named kTags[] = {
        {"weap", "weapons\\pistol\\pistol"},
        {"weap", "weapons\\assault rifle\\assault rifle"},
        {"weap", "weapons\\sniper rifle\\sniper rifle"},
        {"weap", "weapons\\plasma rifle\\plasma rifle"},
        {"bipd", "characters\\cyborg\\cyborg"},
        {"bipd", "characters\\elite\\elite"},
        {"bipd", "characters\\grunt\\grunt"},
        {"vehi", "vehicles\\warthog\\warthog"},
        {"vehi", "vehicles\\ghost\\ghost"},
        {"vehi", "vehicles\\banshee\\banshee"},
        {"proj", "weapons\\pistol\\bullet"},
        {"proj", "weapons\\assault rifle\\bullet"},
        {"proj", "weapons\\sniper rifle\\sniper bullet"},
        {"proj", "weapons\\plasma rifle\\bolt"},
        {"effe", "effects\\impacts\\metal"},
        {"effe", "effects/explosions/small"},
        {"effe", "effects\\muzzle flash"},
        {"snd!", "sound\\ambient\\wind"},
        {"snd!", "sound\\weapons\\pistol fire"},
        {"snd!", "sound\\vehicles\\engine"},
    };
    // Index entries: 0 scenario, then kTags in order. Cross references by id.
    Idents ids{DemoIdent(11), DemoIdent(15), DemoIdent(8)};
    MapSpec blueprint;
    blueprint.tags.push_back(ScenarioTag("levels\\test\\demo\\demo", ids));
    uint32_t seed = 2;
    for (const Named& named : kTags) {
        for (const DemoClass& c : kClasses) {
            if (std::string(c.code) == named.code) {
                blueprint.tags.push_back(MakeTag(static_cast<int32_t>(blueprint.tags.size()),
                                                 c.code, named.name, c.make(seed++, ids)));
            }
        }
    }
    return blueprint;
}

MapSpec LargeMapSpec(uint64_t targetBytes, int32_t tagCount) {
    Idents ids{DemoIdent(4), DemoIdent(5), DemoIdent(3)};
    MapSpec blueprint;
    blueprint.tags.push_back(ScenarioTag("levels\\bench\\bench", ids));
    const size_t perTag =
        static_cast<size_t>(targetBytes / static_cast<uint64_t>(tagCount > 0 ? tagCount : 1));
    for (int32_t i = 1; i < tagCount; ++i) {
        const DemoClass& c = kClasses[static_cast<size_t>(i - 1) % kClasses.size()];
        Block data = c.make(static_cast<uint32_t>(i), ids);
        if (data.bytes.size() < perTag) {
            // Pad the tag's own fields with filler words; its structs keep their offsets.
            Block filler = Filled(perTag - data.bytes.size(), static_cast<uint32_t>(i));
            data.bytes.insert(data.bytes.end(), filler.bytes.begin(), filler.bytes.end());
        }
        blueprint.tags.push_back(
            MakeTag(i, c.code, std::string("bench\\") + c.code + "\\tag_" + std::to_string(i),
                    std::move(data)));
    }
    return blueprint;
}

} // namespace pelmar::builder
