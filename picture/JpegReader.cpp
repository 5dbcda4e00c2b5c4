#include "picture/JpegReader.h"

#include "base/AppError.h"
#include "base/MemoryBudget.h"
#include "base/Messages.h"
#include "picture/PictureLimits.h"

#include <QString>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <type_traits>
#include <vector>

#include <jpeglib.h>
// jerror.h after jpeglib.h, which it needs.
#include <jerror.h>

// The library reports fatal errors through error_exit, which must not return. Ours jumps back to
// runGuarded(); the frames skipped by the jump (the library's and one step function's) hold only
// trivially destructible data, and the AppError is thrown only after the jump, in ordinary C++.
struct JpegErrorManager
{
    jpeg_error_mgr library;
    std::jmp_buf jump;
    int code;
};

struct JpegSession
{
    jpeg_decompress_struct info;
    JpegErrorManager error;
    jpeg_progress_mgr progress;
    bool created;
    // Inputs of the guarded steps.
    const unsigned char *data;
    unsigned long size;
    unsigned char **rows;   // one per output row, each 3 x width bytes
    unsigned char *scratch; // one row of gray indexes or CMYK samples
    // The decoder's work so far, in coefficient blocks decoded, counted once per scan.
    long long work;
    int countedScan;
};

namespace {

static_assert(std::is_trivially_destructible_v<JpegSession>);

constexpr int kGrayLevels = 236;

// What the library may allocate beside the coefficient buffers: its tables, and row buffers of
// a few dozen rows of each component (64 rows' worth is generous).
constexpr std::int64_t kLibraryTables = std::int64_t(4) << 20;
constexpr std::int64_t kLibraryRows = 64;

// Every scan of a progressive file passes over the whole picture, so a small file of thousands
// of tiny scans would keep the decoder busy for minutes. Real files have a few dozen at most.
constexpr int kMaxScans = 500;

// The decoder's work is counted in coefficient blocks: each scan adds the blocks of the
// components it holds. A 12-megapixel progressive photograph is about 0.3 million blocks in
// 10 scans (about 3 million); the largest 4:2:0 picture under the store cap (357 megapixels,
// the usual 10-scan script) about 45 million. A scan costs up to about 130 ns a block on this
// kind of machine (measured on empty scans over an 18916 x 18916 picture), so 48 million
// blocks stay under 10 s while every picture of ordinary make under the cap gets through.
constexpr long long kMaxDecoderWork = 48'000'000;

void exitWithError(j_common_ptr info)
{
    auto *error = reinterpret_cast<JpegErrorManager *>(info->err);
    error->code = info->err->msg_code;
    std::longjmp(error->jump, 1);
}

void limitScans(j_common_ptr common)
{
    const auto *info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans)
        ERREXIT(common, JERR_BAD_PROGRESSION);
    auto *session = static_cast<JpegSession *>(info->client_data);
    if (session->countedScan == info->input_scan_number)
        return;
    session->countedScan = info->input_scan_number;
    for (int i = 0; i < info->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i) {
        const jpeg_component_info *component = info->cur_comp_info[i];
        if (component)
            session->work +=
                (long long)component->width_in_blocks * (long long)component->height_in_blocks;
    }
    // The refusal takes the form of the other bounds on progressive files.
    if (session->work > kMaxDecoderWork)
        ERREXIT(common, JERR_BAD_PROGRESSION);
}

void ignoreMessage(j_common_ptr, int) { }
void ignoreOutput(j_common_ptr) { }

// Runs one step of library calls. Returns false after a fatal error, whose code is then in
// session.error.code. Steps hold only trivially destructible locals and never throw.
bool runGuarded(JpegSession &session, void (*step)(JpegSession &))
{
    if (setjmp(session.error.jump) != 0)
        return false;
    step(session);
    return true;
}

void createAndReadHeader(JpegSession &session)
{
    jpeg_create_decompress(&session.info);
    session.created = true;
    // Whole-picture coefficient buffers (progressive files) count against the store cap; past it
    // the library asks for backing store, which it does not have, and stops.
    session.info.mem->max_memory_to_use = long(kMaxPictureStoreBytes);
    session.progress.progress_monitor = limitScans;
    session.info.client_data = &session;
    session.info.progress = &session.progress;
    jpeg_mem_src(&session.info, session.data, session.size);
    jpeg_read_header(&session.info, TRUE);
}

void decodeRows(JpegSession &session)
{
    jpeg_decompress_struct &info = session.info;
    info.scale_num = 1;
    info.scale_denom = 1;
    info.dct_method = JDCT_FLOAT;
    info.do_block_smoothing = TRUE;
    info.do_fancy_upsampling = TRUE;
    switch (info.num_components) {
    case 1:
        info.out_color_space = JCS_GRAYSCALE;
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = kGrayLevels;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_FS;
        break;
    case 3:
        info.out_color_space = JCS_EXT_BGR; // RGB, delivered in the raster's byte order
        break;
    case 4:
        info.out_color_space = JCS_CMYK; // the library turns YCCK into CMYK
        break;
    default:
        ERREXIT(&info, JERR_CONVERSION_NOTIMPL);
    }
    jpeg_start_decompress(&info);
    // The rows were sized from the header; at full scale the output has that size.
    if (info.output_width != info.image_width || info.output_height != info.image_height ||
        info.output_components != info.num_components)
        ERREXIT(&info, JERR_NOTIMPL);

    unsigned char gray[256] = {};
    if (info.num_components == 1) {
        for (int i = 0; i < info.actual_number_of_colors && i < 256; ++i)
            gray[i] = info.colormap[0][i];
    }
    const bool adobe = info.saw_Adobe_marker;
    const JDIMENSION width = info.output_width;
    while (info.output_scanline < info.output_height) {
        const JDIMENSION y = info.output_scanline;
        if (info.num_components == 3) {
            if (jpeg_read_scanlines(&info, session.rows + y, info.output_height - y) == 0)
                break;
            continue;
        }
        JSAMPROW scratch = session.scratch;
        if (jpeg_read_scanlines(&info, &scratch, 1) != 1)
            break;
        unsigned char *out = session.rows[y];
        if (info.num_components == 1) {
            for (JDIMENSION x = 0; x < width; ++x) {
                const unsigned char g = gray[scratch[x]];
                out[kBytesPerPixel * x] = out[kBytesPerPixel * x + 1] =
                    out[kBytesPerPixel * x + 2] = g;
            }
            continue;
        }
        // CMYK: files with an Adobe marker store the four values inverted, as Photoshop does.
        for (JDIMENSION x = 0; x < width; ++x) {
            const unsigned c = scratch[4 * x], m = scratch[4 * x + 1], yellow = scratch[4 * x + 2],
                           k = scratch[4 * x + 3];
            if (adobe) {
                out[kBytesPerPixel * x] = (unsigned char)(yellow * k / 255);
                out[kBytesPerPixel * x + 1] = (unsigned char)(m * k / 255);
                out[kBytesPerPixel * x + 2] = (unsigned char)(c * k / 255);
            } else {
                out[kBytesPerPixel * x] = (unsigned char)((255 - yellow) * (255 - k) / 255);
                out[kBytesPerPixel * x + 1] = (unsigned char)((255 - m) * (255 - k) / 255);
                out[kBytesPerPixel * x + 2] = (unsigned char)((255 - c) * (255 - k) / 255);
            }
        }
    }
    jpeg_finish_decompress(&info);
}

} // namespace

int JpegErrorNumber(int libraryCode)
{
    // Two swaps: first "not a JPEG file" with 52, then "empty input file" (wherever the first
    // swap left it) with 41. A composition of swaps is one to one.
    auto swap = [](int code, int a, int b) { return code == a ? b : code == b ? a : code; };
    const int emptyAfterFirst = swap(JERR_INPUT_EMPTY, JERR_NO_SOI, 52);
    return swap(swap(libraryCode, JERR_NO_SOI, 52), emptyAfterFirst, 41);
}

JpegReader::JpegReader(const QByteArray &file)
    : m_file(file)
    , m_session(new JpegSession {})
{
    JpegSession &session = *m_session;
    session.info.err = jpeg_std_error(&session.error.library);
    session.error.library.error_exit = exitWithError;
    session.error.library.emit_message = ignoreMessage;
    session.error.library.output_message = ignoreOutput;
    session.data = reinterpret_cast<const unsigned char *>(m_file.constData());
    session.size = static_cast<unsigned long>(m_file.size());
}

JpegReader::~JpegReader()
{
    if (m_session->created)
        jpeg_destroy_decompress(&m_session->info);
}

void JpegReader::fail() const
{
    const int code = m_session->error.code;
    if (code == JERR_NO_BACKING_STORE)
        throw AppError(kOutOfResources);
    throw AppError(JpegError(JpegErrorNumber(code)));
}

void JpegReader::readHeader()
{
    if (!m_file.isEmpty()) // an empty file is 0 x 0, and decoding reports the empty input
        readHeaderOnce();
}

void JpegReader::readHeaderOnce()
{
    if (m_headerRead)
        return;
    if (!runGuarded(*m_session, createAndReadHeader))
        fail();
    m_headerRead = true;
    const jpeg_decompress_struct &info = m_session->info;
    if (!FramedPictureFits(info.image_width, info.image_height))
        throw AppError(kOutOfResources);
    m_width = int(info.image_width);
    m_height = int(info.image_height);
}

void JpegReader::decode(const PictureRowAt &rowAt)
{
    readHeaderOnce();
    // The working memory is charged before decoding: the row references, the scratch row and,
    // for files of several scans, the library's whole-picture coefficient buffers. The library
    // may use that much and a margin for its row buffers; past it, it stops as out of memory.
    jpeg_decompress_struct &info = m_session->info;
    std::int64_t coefficients = 0;
    if (info.progressive_mode || info.comps_in_scan < info.num_components) {
        for (int i = 0; i < info.num_components; ++i) {
            const jpeg_component_info &component = info.comp_info[i];
            coefficients += std::int64_t(component.width_in_blocks) *
                std::int64_t(component.height_in_blocks) * std::int64_t(sizeof(JBLOCK));
        }
    }
    const std::int64_t libraryBytes = coefficients + kLibraryTables +
        kLibraryRows * std::int64_t(m_width) * std::max(info.num_components, 1);
    const MemoryReservation charge(libraryBytes + std::int64_t(sizeof(unsigned char *)) * m_height +
        std::int64_t(m_width) * 4);
    info.mem->max_memory_to_use = long(std::min<std::int64_t>(libraryBytes, kMaxPictureStoreBytes));
    std::vector<unsigned char *> rows(static_cast<std::size_t>(m_height));
    for (int y = 0; y < m_height; ++y)
        rows[std::size_t(y)] = rowAt(y);
    std::vector<unsigned char> scratch(std::size_t(m_width) * 4);
    m_session->rows = rows.data();
    m_session->scratch = scratch.data();
    const bool done = runGuarded(*m_session, decodeRows);
    m_session->rows = nullptr;
    m_session->scratch = nullptr;
    if (!done)
        fail();
}
