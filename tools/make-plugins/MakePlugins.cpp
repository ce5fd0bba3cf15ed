// make-plugins LAYOUTS_JSON OUT_FOLDER
//
// Writes one plugin file, CLASS.ent, per tag class of the layouts file into OUT_FOLDER, in the
// order of the class names. The same layouts always give byte-identical files.

#include "PluginDocument.h"

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

json ReadLayouts(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot open " + path.string());
    }
    try {
        return json::parse(in);
    } catch (const json::parse_error& e) {
        throw std::runtime_error(path.string() + ": " + e.what());
    }
}

// The class name becomes the file name as it is, trailing blanks included ("fog .ent").
fs::path PluginPath(const fs::path& folder, const std::string& fourcc) {
    if (fourcc.size() != 4 || fourcc.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
        throw std::runtime_error("class \"" + fourcc + "\" cannot name a plugin file");
    }
    return folder / (fourcc + ".ent");
}

int WritePlugins(const fs::path& layoutsPath, const fs::path& outFolder) {
    const json layouts = ReadLayouts(layoutsPath);
    const json& structs = layouts.at("structs");
    fs::create_directories(outFolder);
    int written = 0;
    // json objects keep their keys sorted, so the files are written in class-name order.
    for (const auto& [fourcc, layout] : layouts.at("classes").items()) {
        pugi::xml_document doc;
        makeplugins::BuildPlugin(doc, fourcc, layout, structs);
        makeplugins::WritePlugin(doc, PluginPath(outFolder, fourcc));
        ++written;
    }
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make-plugins LAYOUTS_JSON OUT_FOLDER\n";
        return 2;
    }
    try {
        const int written = WritePlugins(argv[1], argv[2]);
        std::cout << "make-plugins: wrote " << written << " plugins to " << argv[2] << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "make-plugins: " << e.what() << "\n";
        return 1;
    }
}
