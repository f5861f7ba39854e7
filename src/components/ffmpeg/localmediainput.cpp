#include "components/ffmpeg/localmediainput.h"

#include "components/ffmpeg/ffmpegsupport.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

namespace {

// What FFmpeg reads of a file at a time.
constexpr int IoBufferBytes = 64 * 1024;

// Demuxers whose input is a list of other files or addresses to read.
const char* const ListDemuxers[] = {"hls", "concat", "dash", "imf"};

bool isListDemuxer(const AVInputFormat* format) {
    for (const char* name : ListDemuxers)
        if (qstrcmp(format->name, name) == 0)
            return true;
    return false;
}

} // namespace

struct LocalMediaInput::Io {
    int fd = -1;
    AVIOContext* context = nullptr;
    bool refusedOther = false; // a demuxer asked for another file

    ~Io() {
        if (context) {
            av_freep(&context->buffer);
            avio_context_free(&context);
        }
        if (fd >= 0)
            ::close(fd);
    }

    static int read(void* opaque, uint8_t* buffer, int size) {
        const int fd = static_cast<Io*>(opaque)->fd;
        for (;;) {
            const ssize_t got = ::read(fd, buffer, std::size_t(size));
            if (got > 0)
                return int(got);
            if (got == 0)
                return AVERROR_EOF;
            if (errno != EINTR)
                return AVERROR(errno);
        }
    }

    static int64_t seek(void* opaque, int64_t offset, int whence) {
        const int fd = static_cast<Io*>(opaque)->fd;
        if (whence & AVSEEK_SIZE) {
            struct stat info {};
            return ::fstat(fd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
        }
        const off_t at = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
        return at < 0 ? AVERROR(errno) : int64_t(at);
    }

    static int refuseOther(AVFormatContext* format, AVIOContext**, const char*, int,
                           AVDictionary**) {
        static_cast<Io*>(format->opaque)->refusedOther = true;
        return AVERROR(EPERM);
    }
};

LocalMediaInput::LocalMediaInput() = default;

LocalMediaInput::~LocalMediaInput() {
    close();
}

void LocalMediaInput::close() {
    avformat_close_input(&m_format);
    delete m_io;
    m_io = nullptr;
    m_size = 0;
}

bool LocalMediaInput::fail(QString* why, const QString& reason) {
    close();
    if (why)
        *why = reason;
    return false;
}

bool LocalMediaInput::open(const QString& path, const AVInputFormat* format, AVDictionary** options,
                           QString* why) {
    close();
    FfmpegSupport::quietLibrary();
    const QByteArray name = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    m_io = new Io;
    // Without waiting: a pipe put in place of the file must not hold Orvelle in open().
    m_io->fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_io->fd < 0)
        return fail(why, errno == ENOENT ? QStringLiteral("the file does not exist.")
                                         : QStringLiteral("the file cannot be read."));
    struct stat info {};
    if (::fstat(m_io->fd, &info) != 0 || !S_ISREG(info.st_mode))
        return fail(why, QStringLiteral("the file cannot be read."));
    if (info.st_size == 0)
        return fail(why, QStringLiteral("the file is empty."));
    m_size = qint64(info.st_size);
    ::fcntl(m_io->fd, F_SETFL, ::fcntl(m_io->fd, F_GETFL) & ~O_NONBLOCK);

    auto* buffer = static_cast<unsigned char*>(av_malloc(IoBufferBytes));
    m_io->context =
        buffer ? avio_alloc_context(buffer, IoBufferBytes, 0, m_io, &Io::read, nullptr, &Io::seek)
               : nullptr;
    if (!m_io->context) {
        av_free(buffer);
        return fail(why, QStringLiteral("out of memory."));
    }
    const auto notMedia = [&](int code) {
        return fail(why, m_io->refusedOther
                             ? QStringLiteral("it names other files to read, as a playlist "
                                              "does; Orvelle reads media files only.")
                             : QStringLiteral("it is not a sound or video file that Orvelle "
                                              "can read (%1).")
                                   .arg(FfmpegSupport::errorText(code)));
    };
    if (!format) {
        const int probed =
            av_probe_input_buffer2(m_io->context, &format, name.constData(), nullptr, 0, 0);
        if (probed < 0)
            return notMedia(probed);
    }
    if (isListDemuxer(format) || (format->flags & AVFMT_NOFILE)) {
        m_io->refusedOther = true;
        return notMedia(AVERROR(EPERM));
    }

    m_format = avformat_alloc_context();
    if (!m_format)
        return fail(why, QStringLiteral("out of memory."));
    m_format->pb = m_io->context;
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_format->opaque = m_io;
    m_format->io_open = &Io::refuseOther;
    AVDictionary* ownOptions = nullptr;
    AVDictionary** used = options ? options : &ownOptions;
    // FFmpeg needs no protocol to read the descriptor, so it is allowed none: a
    // demuxer that opens another file in a context of its own (a subtitle's
    // .sub beside its .idx, say) finds that refused as well.
    av_dict_set(used, "protocol_whitelist", "none", 0);
    const int result = avformat_open_input(&m_format, name.constData(), format, used);
    av_dict_free(&ownOptions);
    if (result < 0)
        return notMedia(result); // FFmpeg has freed the context
    return true;
}

bool holdsMedia(const QString& path) {
    LocalMediaInput input;
    if (!input.open(path))
        return false;
    AVFormatContext* format = input.context();
    // Some containers name their streams only once packets are read.
    if (format->nb_streams == 0 && avformat_find_stream_info(format, nullptr) < 0)
        return false;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVMediaType type = format->streams[i]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO)
            return true;
    }
    return false;
}
