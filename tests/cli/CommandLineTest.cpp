// The command line of fotra as a table: arguments, run in a folder of test
// photos, against the exit status, what stdout and stderr must hold and the
// file the command must write (or, when it fails, must leave unwritten).
// Usage errors are one line on stderr with status 2, a failed photo status 1.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/CliTestSupport.h"

namespace {

using clitest::runFotra;
namespace fs = std::filesystem;

struct Row {
    std::vector<std::string> arguments;
    int status;
    std::string out;     // a part of stdout; empty: stdout stays empty
    std::string err;     // a part of stderr; empty: stderr stays empty
    std::string written = ""; // written on success, left unwritten on failure
    std::string input = "";   // the file standard input reads
    std::string sameAs = "";  // a file whose bytes `written` (or else stdout) must equal
};

const std::string kExitStatusText =
    "Exit status: 0 success, 1 a photo could not be read or written, 2 wrong usage.\n";
const std::string kToolUsage = "Usage: fotra [OPTIONS] COMMAND\n";
const std::string kApplyUsage = "Usage: fotra apply [OPTIONS] PHOTO...\n";

const Row kRows[] = {
    // Help and version.
    {{}, 2, "", kToolUsage},
    {{"--help"}, 0, kToolUsage, ""},
    {{"-h"}, 0, "  apply ", ""},
    {{"help"}, 0, kExitStatusText, ""},
    {{"help", "apply"}, 0, kApplyUsage, ""},
    {{"apply", "--help"}, 0, kApplyUsage, ""},
    {{"apply", "-m", "1", "-h"}, 0, kApplyUsage, ""},
    {{"preview", "-h"}, 0, "Usage: fotra preview [OPTIONS] PHOTO\n", ""},
    {{"convert", "--help"}, 0, "Usage: fotra convert [OPTIONS] IN OUT\n", ""},
    {{"help", "modes"}, 0, kExitStatusText, ""},
    {{"--version"}, 0, "fotra " FOTRA_VERSION "\n", ""},
    {{"help", "paint"}, 2, "", "fotra: unknown command 'paint' (fotra help lists the commands)\n"},
    {{"paint", "photo.bmp"}, 2, "", "fotra: unknown command 'paint'"},
    {{"--colour"}, 2, "", "fotra: unknown option '--colour' (fotra --help shows the usage)\n"},

    // The forms of options and the end of options.
    {{"apply", "--mode=8", "photo.bmp", "--output=f1.png"}, 0, "", "", "f1.png"},
    {{"apply", "-m", "8", "-o", "f2.png", "photo.bmp"}, 0, "", "", "f2.png"},
    {{"apply", "-m8", "-of3.png", "photo.bmp"}, 0, "", "", "f3.png"},
    {{"apply", "-m", "8", "-o=f4.png", "photo.bmp"}, 0, "", "", "f4.png"},
    {{"apply", "-m", "8", "-o", "f5.png", "--", "-dash.png"}, 0, "", "", "f5.png"},
    {{"apply", "-m", "8", "--out-dir", "results", "photo.png", "--", "-dash.png"}, 0, "",
     "fotra: 2/2 -dash.png -> results/-dash.png\n", "results/-dash.png"},
    {{"apply", "-m", "8", "--", "photo.png", "-o", "f6.png"}, 2, "", "no output given", "f6.png"},
    {{"info", "--", "-dash.png"}, 0, "width: 13\n", ""},
    {{"apply", "--mode", "8", "--o", "f7.png", "photo.bmp"}, 2, "", "not expected: --o", "f7.png"},

    // apply: the mode and the dialog's values.
    {{"apply", "photo.bmp", "-o", "u.png"}, 2, "", "--mode is required", "u.png"},
    {{"apply", "-m", "33", "photo.bmp", "-o", "u.png"}, 2, "", "unknown mode '33' (fotra modes lists them)", "u.png"},
    {{"apply", "-m", "シャープ", "photo.bmp", "-o", "u.png"}, 2, "", "unknown mode 'シャープ'", "u.png"},
    {{"apply", "-m", "1", "--strength", "101", "photo.bmp", "-o", "u.png"}, 2, "",
     "mode 1 (フラッシュ): strength 101 is outside its range 1..100", "u.png"},
    {{"apply", "-m", "5", "--strength", "11", "photo.bmp", "-o", "u.png"}, 2, "", "outside its range 1..10", "u.png"},
    {{"apply", "-m", "13", "--effect", "-101", "photo.bmp", "-o", "u.png"}, 2, "", "outside its range -100..100",
     "u.png"},
    {{"apply", "-m", "1", "--effect", "0", "photo.bmp", "-o", "u.png"}, 2, "", "effect 0 is outside", "u.png"},
    {{"apply", "-m", "3", "--strength", "10", "photo.bmp", "-o", "u.png"}, 2, "", "this mode has no strength slider",
     "u.png"},
    {{"apply", "-m", "1", "--precision", "10", "photo.bmp", "-o", "u.png"}, 2, "", "no precision slider", "u.png"},
    {{"apply", "-m", "1", "--target", "1,2,3", "photo.bmp", "-o", "u.png"}, 2, "", "samples no target colour",
     "u.png"},
    {{"apply", "-m", "16", "--light", "1,2,3", "photo.bmp", "-o", "u.png"}, 2, "", "no light colour sliders", "u.png"},
    {{"apply", "-m", "10", "--target", "1,2,300", "photo.bmp", "-o", "u.png"}, 2, "", "must lie in 0..255", "u.png"},
    {{"apply", "-m", "10", "--target", "1,2", "photo.bmp", "-o", "u.png"}, 2, "", "--target needs a colour R,G,B",
     "u.png"},
    {{"apply", "-m", "1", "--effect", "ten", "photo.bmp", "-o", "u.png"}, 2, "", "--effect = ten", "u.png"},
    {{"apply", "-m", "1", "--effect", "5", "--effect", "6", "photo.bmp", "-o", "u.png"}, 2, "", "--effect", "u.png"},
    {{"apply", "-m", "1", "--colour", "1", "photo.bmp", "-o", "u.png"}, 2, "", "not expected: --colour", "u.png"},

    // apply: photos and outputs.
    {{"apply", "-m", "1", "photo.bmp", "-o"}, 2, "", "--output", ""},
    {{"apply", "-m", "1", "-o", "u.png"}, 2, "", "PHOTO is required", "u.png"},
    {{"apply", "-m", "1", "photo.bmp"}, 2, "", "no output given", ""},
    {{"apply", "-m", "1", "photo.bmp", "photo.png", "-o", "u.png"}, 2, "", "use --out-dir DIR for 2", "u.png"},
    {{"apply", "-m", "1", "photo.bmp", "-o", "u.png", "--out-dir", "results"}, 2, "", "not both", "u.png"},
    {{"apply", "-m", "1", "photo.bmp", "--out-dir", "nowhere"}, 2, "", "the output folder 'nowhere' does not exist",
     ""},
    {{"apply", "-m", "1", "photo.bmp", "-o", "u.bmp"}, 2, "", "cannot save as 'u.bmp'", "u.bmp"},
    {{"apply", "-m", "1", "photo.bmp", "--out-dir", "second"}, 2, "", "cannot save as 'second/photo.bmp'"},
    {{"apply", "-m", "1", "photo.png", "second/photo.png", "--out-dir", "results"}, 2, "",
     "two photos would be written to 'results/photo.png'"},
    {{"apply", "-m", "1", "missing.bmp", "-o", "u.png"}, 1, "", "fotra: cannot read the photo 'missing.bmp': ファイルが見つかりません。\n",
     "u.png"},

    // What cannot be a photo fails at once with its reason and writes
    // nothing: a FIFO or a device read, a header claiming far more pixels
    // than the file holds, a FIFO, a link to a device or a folder as the
    // output.
    {{"info", "pipe.jpg"}, 1, "",
     "fotra: cannot read the photo 'pipe.jpg': 写真のファイルではありません（パイプやデバイスなど）。写真のファイルを選んでください。\n"},
    {{"apply", "-m", "8", "/dev/zero", "-o", "z.png"}, 1, "", "cannot read the photo '/dev/zero': 写真のファイルではありません",
     "z.png"},
    {{"info", "huge.jpg"}, 1, "",
     "fotra: cannot read the photo 'huge.jpg': ファイルが壊れているか、途中で切れています。\n"},
    {{"convert", "huge.jpg", "h1.png"}, 1, "", "cannot read the photo 'huge.jpg': ファイルが壊れている", "h1.png"},
    {{"info", "sparse.jpg"}, 1, "",
     "fotra: cannot read the photo 'sparse.jpg': ファイルが大きすぎます。上限の 268435456 ピクセルの写真でも、"
     "これほど大きなファイルにはなりません。\n"},
    {{"convert", "photo.bmp", "pipe.png"}, 1, "", "fotra: cannot write the photo 'pipe.png': 写真のファイルではありません"},
    {{"convert", "photo.bmp", "null.png"}, 1, "", "cannot write the photo 'null.png': 写真のファイルではありません"},
    {{"convert", "photo.bmp", "folder.png"}, 1, "", "cannot write the photo 'folder.png': フォルダーです。"},

    // Names that are not UTF-8 are read and written as their bytes, and
    // shown with '?' for each byte a terminal cannot show.
    {{"convert", "a\xFF" "b.bmp", "c\xFE" "d.png"}, 0, "", "", "c\xFE" "d.png", "", "photo.png"},
    {{"apply", "-m", "8", "a\xFF" "b.bmp", "--out-dir", "results", "--suffix", "_\xFE", "--format", "png"}, 0, "",
     "fotra: 1/1 a?b.bmp -> results/a?b_?.png\n", "results/a\xFF" "b_\xFE.png", "", "f2.png"},
    {{"info", "gone\xFF.png"}, 1, "", "fotra: cannot read the photo 'gone?.png': ファイルが見つかりません。\n"},

    // filter and preview.
    {{"filter", "photo.bmp", "-o", "u.png"}, 2, "", "--command is required", "u.png"},
    {{"filter", "--command", "32777", "photo.bmp", "-o", "u.png"}, 2, "",
     "unknown filter '32777' (fotra modes lists them)", "u.png"},
    {{"filter", "--command", "blur", "photo.bmp", "-o", "u.png"}, 2, "", "unknown filter 'blur'", "u.png"},
    {{"filter", "-c", "32776", "--mode", "1", "photo.bmp", "-o", "u.png"}, 2, "", "not expected: --mode", "u.png"},
    {{"filter", "-c", "32788", "missing.png", "-o", "u.png"}, 1, "", "cannot read the photo 'missing.png'", "u.png"},
    {{"preview", "-m", "8", "photo.bmp", "-o", "u.png"}, 2, "", "--region is required", "u.png"},
    {{"preview", "-m", "8", "-r", "0,0,5,5", "photo.bmp"}, 2, "", "no output given", ""},
    {{"preview", "-m", "8", "-r", "0,0,5,5", "photo.bmp", "photo.png", "-o", "u.png"}, 2, "", "PHOTO: At Most 1",
     "u.png"},
    {{"preview", "-m", "8", "-r", "0,0,5", "photo.bmp", "-o", "u.png"}, 2, "", "--region needs X,Y,W,H", "u.png"},
    {{"preview", "-m", "8", "-r", "9,0,5,5", "photo.bmp", "-o", "u.png"}, 2, "",
     "the region 9,0,5,5 does not lie inside the photo 'photo.bmp' (13 x 9)", "u.png"},
    {{"preview", "-m", "8", "-r", "0,-1,5,5", "photo.bmp", "-o", "u.png"}, 2, "", "does not lie inside", "u.png"},
    {{"preview", "-m", "8", "-r", "0,0,0,5", "photo.bmp", "-o", "u.png"}, 2, "", "does not lie inside", "u.png"},
    {{"preview", "-m", "40", "-r", "0,0,5,5", "photo.bmp", "-o", "u.png"}, 2, "", "unknown mode '40'", "u.png"},
    {{"preview", "-m", "8", "-r", "0,0,5,5", "--effect", "101", "photo.bmp", "-o", "u.png"}, 2, "",
     "effect 101 is outside its range 1..100", "u.png"},
    {{"preview", "-m", "8", "-r", "0,0,5,5", "photo.bmp", "-o", "u.gif"}, 2, "", "cannot save as", "u.gif"},
    {{"preview", "-m", "8", "-r", "0,0,5,5", "missing.png", "-o", "u.png"}, 1, "", "cannot read the photo",
     "u.png"},

    // info, convert and modes.
    {{"info"}, 2, "", "PHOTO is required"},
    {{"info", "photo.bmp", "photo.png"}, 2, "", "not expected: photo.png"},
    {{"info", "broken.jpg"}, 1, "",
     "fotra: cannot read the photo 'broken.jpg': ファイルが壊れているか、途中で切れています。\n"},
    {{"info", "missing.png"}, 1, "", "fotra: cannot read the photo 'missing.png': ファイルが見つかりません。\n"},
    // Corrupt scan data fails unless --allow-damaged takes it with a warning.
    {{"convert", "damaged.jpg", "h2.png"}, 1, "",
     "fotra: cannot read the photo 'damaged.jpg': JPEG ファイルのデータが壊れています。写真の一部が正しくないかもしれません。"
     " (--allow-damaged opens it all the same)\n",
     "h2.png"},
    {{"convert", "damaged.jpg", "h3.png", "--allow-damaged"}, 0, "",
     "fotra: warning: the photo 'damaged.jpg': JPEG ファイルのデータが壊れています。", "h3.png"},
    {{"info", "photo.jpg"}, 0, "width: 13\nheight: 9\nbit depth: 24\nstride: 40\nformat: JPEG\n", ""},
    {{"convert", "photo.bmp"}, 2, "", "OUT is required"},
    // The document's extension rule: any case, long and short forms.
    {{"convert", "photo.bmp", "c1.JPG"}, 0, "", "", "c1.JPG"},
    {{"convert", "photo.bmp", "c2.Tiff"}, 0, "", "", "c2.Tiff"},
    {{"convert", "photo.bmp", "c3.jpeg"}, 0, "", "", "c3.jpeg"},
    {{"convert", "photo.bmp", "c4.bmp"}, 2, "",
     "fotra: cannot save as 'c4.bmp': the name must end in .jpg, .jpeg, .png, .tif or .tiff\n", "c4.bmp"},
    {{"convert", "photo.bmp", "c5"}, 2, "", "cannot save as 'c5'", "c5"},
    {{"convert", "missing.bmp", "c6.png"}, 1, "", "cannot read the photo 'missing.bmp'", "c6.png"},
    {{"convert", "photo.bmp", "no-folder/c7.png"}, 1, "", "cannot write the photo 'no-folder/c7.png': 保存先のフォルダーが見つかりません。",
     "no-folder/c7.png"},
    {{"modes", "extra"}, 2, "", "not expected: extra"},

    // Standard input and output, formats, names and quality. f2.png is the
    // photo of mode 8 written to a file, c3.jpeg the photo at quality 90.
    {{"apply", "-m", "8", "photo.bmp", "-o", "-", "--format", "png"}, 0, "", "", "", "", "f2.png"},
    {{"apply", "-m", "8", "-", "-o", "p1.png"}, 0, "", "", "p1.png", "photo.bmp", "f2.png"},
    {{"apply", "-m", "8", "-", "-o", "-", "--format=png"}, 0, "", "", "", "photo.bmp", "f2.png"},
    {{"convert", "-", "-", "--format", "JPG"}, 0, "", "", "", "photo.bmp", "c3.jpeg"},
    {{"convert", "photo.bmp", "-", "--format", "jpeg", "--quality", "90"}, 0, "", "", "", "", "c3.jpeg"},
    {{"convert", "photo.bmp", "p2.png"}, 0, "", "", "p2.png", "", "photo.png"},
    {{"convert", "photo.bmp", "q50.jpg", "--quality=50"}, 0, "", "", "q50.jpg"},
    {{"info", "-"}, 0, "file: -\nwidth: 13\n", "", "", "photo.bmp"},
    {{"info", "-"}, 1, "", "fotra: cannot read the photo from standard input: ファイルが壊れているか、途中で切れています。\n", "", "broken.jpg"},
    {{"apply", "-m", "8", "photo.bmp", "-o", "-"}, 2, "", "writing to standard output needs --format jpg, png or tif"},
    {{"apply", "-m", "8", "photo.bmp", "-o", "p3.jpg", "--format", "png"}, 2, "",
     "--format png does not match the output name 'p3.jpg'", "p3.jpg"},
    {{"apply", "-m", "8", "photo.bmp", "-o", "p4", "--format", "tif"}, 0, "", "", "p4"},
    {{"apply", "-m", "8", "photo.bmp", "-o", "p5.png", "--format", "gif"}, 2, "", "--format", "p5.png"},
    {{"convert", "photo.bmp", "p6.jpg", "--quality", "0"}, 2, "", "--quality", "p6.jpg"},
    {{"convert", "photo.bmp", "p7.jpg", "--quality", "101"}, 2, "", "--quality", "p7.jpg"},
    {{"apply", "-m", "8", "photo.png", "-", "--out-dir", "mixed"}, 2, "", "standard input has no name"},
    // A batch of mixed formats, written in one.
    {{"apply", "-m", "8", "photo.bmp", "c3.jpeg", "--out-dir", "mixed", "--format", "tif", "--suffix", "_x"}, 0, "",
     "fotra: 1/2 photo.bmp -> mixed/photo_x.tif\nfotra: 2/2 c3.jpeg -> mixed/c3_x.tif\n", "mixed/c3_x.tif"},
    {{"apply", "-m", "8", "photo.bmp", "--out-dir", "mixed", "--format", "png", "--quiet"}, 0, "", "",
     "mixed/photo.png", "", "f2.png"},
    {{"filter", "-c", "edges", "-q", "missing.png", "photo.bmp", "--out-dir", "mixed", "--suffix=-e",
     "--format", "png"}, 1, "",
     "fotra: cannot read the photo 'missing.png': ファイルが見つかりません。\n", "mixed/missing-e.png"},

    // An output that is one of the photos read, however named.
    {{"apply", "-m", "8", "ow.png", "-o", "ow.png"}, 2, "",
     "the output 'ow.png' is the photo 'ow.png' itself; --overwrite lets it be replaced"},
    {{"apply", "-m", "8", "ow.png", "--out-dir", "."}, 2, "", "the output './ow.png' is the photo 'ow.png'"},
    {{"apply", "-m", "8", "second/photo.png", "--out-dir", "second/../second", "--format", "png"}, 2, "",
     "is the photo 'second/photo.png' itself"},
    {{"convert", "link.png", "ow.png"}, 2, "", "is the photo 'link.png' itself"},
    {{"convert", "ow.png", "hard.png"}, 2, "", "is the photo 'ow.png' itself"},
    {{"apply", "-m", "8", "ow.png", "-o", "ow.png", "--overwrite"}, 0, "", "", "ow.png", "", "f2.png"},

    // Names to type: the same bytes as the number and the title.
    {{"apply", "-m", "crisp", "photo.bmp", "-o", "n1.png"}, 0, "", "", "n1.png", "", "f2.png"},
    {{"apply", "-m", "くっきり", "photo.bmp", "-o", "n2.png"}, 0, "", "", "n2.png", "", "f2.png"},
    {{"apply", "-m", "Crisp", "photo.bmp", "-o", "n3.png"}, 2, "", "unknown mode 'Crisp'", "n3.png"},
    {{"filter", "-c", "32788", "photo.bmp", "-o", "n4.png"}, 0, "", "", "n4.png"},
    {{"filter", "-c", "denoise", "photo.bmp", "-o", "n5.png"}, 0, "", "", "n5.png", "", "n4.png"},
};

std::uint8_t photoByte(int x, int row, int channel)
{
    return static_cast<std::uint8_t>(x * 17 + row * 29 + channel * 61);
}

// From a JPEG that Qt-compatible writers made: huge.jpg, whose frame claims
// 16000 x 16000 pixels, damaged.jpg, whose scan data stops halfway but
// which ends with its end marker, and sparse.jpg, its headers followed by
// 6 GB of nothing (a sparse file, which takes no room on the disk).
void writeDamagedJpegs(std::string jpeg, const fs::path& folder)
{
    const std::size_t frame = jpeg.find("\xFF\xC0");
    const std::size_t scan = jpeg.find("\xFF\xDA");
    ASSERT_NE(frame, std::string::npos);
    ASSERT_NE(scan, std::string::npos);
    std::string huge = jpeg;
    huge.replace(frame + 5, 4, "\x3E\x80\x3E\x80");
    const auto write = [&](const char* name, const std::string& bytes) {
        clitest::writeBytes((folder / name).string(), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    };
    write("huge.jpg", huge);
    write("sparse.jpg", jpeg.substr(0, scan));
    fs::resize_file(folder / "sparse.jpg", std::uintmax_t{6} << 30);
    const std::size_t data = scan + 2 + ((static_cast<std::size_t>(static_cast<unsigned char>(jpeg[scan + 2])) << 8)
                                         | static_cast<unsigned char>(jpeg[scan + 3]));
    jpeg.resize(data + (jpeg.size() - 2 - data) / 2);
    write("damaged.jpg", jpeg + "\xFF\xD9");
}

TEST(FotraCommandLine, ArgumentsGiveTheirStatusOutputAndFiles)
{
    const clitest::TempFolder folder;
    const fs::path root = folder.file("");
    fs::create_directories(root / "second");
    fs::create_directories(root / "results");
    fs::create_directories(root / "mixed");
    clitest::writeBytes(folder.file("photo.bmp"), clitest::bmpFile(13, 9, 24, photoByte));
    clitest::writeBytes(folder.file("broken.jpg"), {0xFF, 0xD8, 0xFF, 0x00, 0x12});
    ASSERT_EQ(runFotra({"convert", "photo.bmp", "photo.png"}, root).status, 0);
    ASSERT_EQ(runFotra({"convert", "photo.bmp", "photo.jpg"}, root).status, 0);
    writeDamagedJpegs(clitest::readText(root / "photo.jpg"), root);
    fs::copy_file(root / "photo.png", root / "-dash.png");
    fs::copy_file(root / "photo.png", root / "second/photo.png");
    fs::copy_file(root / "photo.bmp", root / "second/photo.bmp");
    fs::copy_file(root / "photo.png", root / "ow.png");
    fs::create_symlink("ow.png", root / "link.png");
    fs::create_hard_link(root / "ow.png", root / "hard.png");
    for (const char* fifo : {"pipe.jpg", "pipe.png"}) {
        ASSERT_EQ(::mkfifo((root / fifo).c_str(), 0600), 0);
    }
    fs::create_symlink("/dev/null", root / "null.png");
    fs::create_directory(root / "folder.png");
    fs::copy_file(root / "photo.bmp", root / "a\xFF" "b.bmp");

    for (const Row& row : kRows) {
        std::string call = "fotra";
        for (const std::string& argument : row.arguments) {
            call += " " + argument;
        }
        SCOPED_TRACE(call);
        const auto run = runFotra(row.arguments, root, row.input);
        EXPECT_EQ(run.status, row.status) << run.err;
        if (!row.sameAs.empty()) {
            const std::string output = row.written.empty() ? run.out : clitest::readText(root / row.written);
            EXPECT_TRUE(!output.empty() && output == clitest::readText(root / row.sameAs)) << row.sameAs;
        } else if (row.out.empty()) {
            EXPECT_EQ(run.out, "");
        } else {
            EXPECT_NE(run.out.find(row.out), std::string::npos) << run.out;
        }
        if (row.err.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
        }
        if (row.status != 0 && !row.err.starts_with("Usage")) {
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        }
        if (!row.written.empty()) {
            EXPECT_EQ(fs::exists(root / row.written), row.status == 0) << row.written;
        }
    }
    // The quality reaches the JPEG writer.
    EXPECT_LT(fs::file_size(root / "q50.jpg"), fs::file_size(root / "c3.jpeg"));
}

// Every "--name" in `text` whose dashes are written as `dash`.
std::set<std::string> longOptions(const std::string& text, const std::string& dash)
{
    std::set<std::string> names;
    const std::regex option(dash + dash + "([a-z][a-z\\\\-]*)");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), option); match != std::sregex_iterator();
         ++match) {
        names.insert(std::regex_replace((*match)[1].str(), std::regex("\\\\"), ""));
    }
    return names;
}

// The manual page names the commands and options that the help texts name,
// and no others: neither can change without the other.
TEST(FotraCommandLine, TheManualPageNamesWhatTheHelpNames)
{
    const std::string manual = clitest::readText(FOTRA_MAN_PAGE);
    const std::string toolHelp = runFotra({"--help"}).out;
    std::set<std::string> helpOptions = longOptions(toolHelp, "-");
    std::set<std::string> helpCommands;
    const std::regex commandLine("\n  ([a-z]+) +[A-Z]");
    const std::string commandList = toolHelp.substr(toolHelp.find("Subcommands:"));
    for (auto match = std::sregex_iterator(commandList.begin(), commandList.end(), commandLine);
         match != std::sregex_iterator(); ++match) {
        const std::string command = (*match)[1].str();
        helpCommands.insert(command);
        const std::string help = runFotra({command, "--help"}).out;
        helpOptions.merge(longOptions(help.substr(help.find("Options:")), "-"));
    }
    std::set<std::string> manualCommands;
    const std::regex section("\n\\.SS ([a-z]+)\n");
    for (auto match = std::sregex_iterator(manual.begin(), manual.end(), section); match != std::sregex_iterator();
         ++match) {
        manualCommands.insert((*match)[1].str());
    }
    EXPECT_EQ(manualCommands, helpCommands);
    EXPECT_EQ(longOptions(manual, "\\\\-"), helpOptions);
    EXPECT_GE(helpOptions.size(), 16u);
}

} // namespace
