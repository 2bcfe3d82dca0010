/* faultfs: a file system for tests that passes everything through to a
 * backing folder, except where a rule says a path misbehaves the way real
 * drives do: a network share whose server has gone, a failing disk, a full
 * disk, a file deleted while it is being listed, a folder the user may not
 * enter, a slow link.
 *
 *   faultfs [--rules FILE] [-r RULE]... BACKING MOUNTPOINT
 *
 * Runs in the foreground until it is unmounted or killed. A rule is one
 * line "KIND PATH [N]"; PATH starts with "/" at the mount's root and the
 * rule covers PATH and everything below it:
 *
 *   hang PATH      every call blocks until the rule is gone or the file
 *                  system is killed (the blocked calls then fail)
 *   eio PATH N     reading fails with EIO from byte N on
 *   enospc PATH N  writing fails with ENOSPC once N bytes were written
 *                  below PATH, all files together (a disk that fills up)
 *   vanish PATH    listings still name it, but it cannot be examined,
 *                  opened or removed: ENOENT, as after a delete meanwhile
 *   eacces PATH    it can be examined, but not opened, listed or changed,
 *                  and nothing below it can be reached: EACCES
 *   slow PATH N    every call sleeps N milliseconds first
 *   coarse PATH    its times are kept and told in whole seconds, as on FAT,
 *                  exFAT and some network shares
 *
 * The rules file is read again whenever it changes, so a test changes the
 * faults without mounting again; a hang ends when its rule goes. Nothing is
 * cached by the kernel (every time-out is 0), so a rule applies from the
 * next call on. Empty lines and lines starting with "#" are skipped.
 */
#define FUSE_USE_VERSION 312
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

enum Kind { HANG, EIO_AFTER, ENOSPC_AFTER, VANISH, DENIED, SLOW, COARSE };

struct Rule {
    enum Kind kind;
    char* path;
    long long n;
    long long used; /* enospc: bytes written so far */
};

#define MAX_RULES 256

static int Back = -1;
static const char* RulesFile;
static struct Rule Rules[MAX_RULES];
static int RuleCount;
static int FixedCount; /* rules from the command line, first in Rules */
static struct timespec RulesTime;
static off_t RulesSize = -1;
static pthread_mutex_t Lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t RulesChanged = PTHREAD_COND_INITIALIZER;

static int ParseRule(const char* line, struct Rule* rule) {
    char kind[16], path[PATH_MAX];
    long long n = 0;
    const int fields = sscanf(line, " %15s %4095s %lld", kind, path, &n);
    if (fields < 2 || path[0] != '/')
        return 0;
    static const struct {
        const char* name;
        enum Kind kind;
        int counted;
    } kinds[] = {{"hang", HANG, 0},     {"eio", EIO_AFTER, 1}, {"enospc", ENOSPC_AFTER, 1},
                 {"vanish", VANISH, 0}, {"eacces", DENIED, 0}, {"slow", SLOW, 1},
                 {"coarse", COARSE, 0}};
    for (size_t i = 0; i < sizeof kinds / sizeof kinds[0]; ++i) {
        if (strcmp(kind, kinds[i].name) == 0) {
            if (kinds[i].counted && fields < 3)
                return 0;
            size_t length = strlen(path);
            while (length > 1 && path[length - 1] == '/')
                path[--length] = '\0';
            rule->kind = kinds[i].kind;
            rule->path = strdup(path);
            rule->n = n;
            rule->used = 0;
            return 1;
        }
    }
    return 0;
}

/* Under Lock. Reads the rules file again when it changed since last time. */
static void ReloadRules(void) {
    if (!RulesFile)
        return;
    struct stat st;
    if (stat(RulesFile, &st) != 0) {
        st.st_size = -1;
        st.st_mtim.tv_sec = 0;
        st.st_mtim.tv_nsec = 0;
    }
    if (st.st_size == RulesSize && st.st_mtim.tv_sec == RulesTime.tv_sec &&
        st.st_mtim.tv_nsec == RulesTime.tv_nsec)
        return;
    RulesSize = st.st_size;
    RulesTime = st.st_mtim;
    for (int i = FixedCount; i < RuleCount; ++i)
        free(Rules[i].path);
    RuleCount = FixedCount;
    FILE* file = fopen(RulesFile, "r");
    if (file) {
        char line[PATH_MAX + 64];
        while (fgets(line, sizeof line, file) && RuleCount < MAX_RULES) {
            if (line[0] == '#')
                continue;
            if (ParseRule(line, &Rules[RuleCount]))
                ++RuleCount;
        }
        fclose(file);
    }
    pthread_cond_broadcast(&RulesChanged);
}

static int Covers(const char* rulePath, const char* path) {
    if (strcmp(rulePath, "/") == 0)
        return 1;
    const size_t length = strlen(rulePath);
    return strncmp(rulePath, path, length) == 0 && (path[length] == '\0' || path[length] == '/');
}

/* Under Lock: the first rule of the kind that covers path, or NULL. */
static struct Rule* Find(enum Kind kind, const char* path) {
    for (int i = 0; i < RuleCount; ++i) {
        if (Rules[i].kind == kind && Covers(Rules[i].path, path))
            return &Rules[i];
    }
    return NULL;
}

/* What every call goes through first: slowness, hangs, vanished and denied
 * paths. `examine` is set for getattr, which a denied path itself answers.
 * Returns 0 or a negative errno for the call to return. */
static int Enter(const char* path, int examine) {
    long long sleepMs = 0;
    int result = 0;
    pthread_mutex_lock(&Lock);
    ReloadRules();
    for (;;) {
        if (!Find(HANG, path))
            break;
        struct timespec until;
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_nsec += 200 * 1000 * 1000;
        if (until.tv_nsec >= 1000000000) {
            until.tv_nsec -= 1000000000;
            ++until.tv_sec;
        }
        pthread_cond_timedwait(&RulesChanged, &Lock, &until);
        ReloadRules();
    }
    const struct Rule* slow = Find(SLOW, path);
    if (slow)
        sleepMs = slow->n;
    if (Find(VANISH, path))
        result = -ENOENT;
    const struct Rule* denied = Find(DENIED, path);
    if (denied && !(examine && strcmp(denied->path, path) == 0))
        result = -EACCES;
    pthread_mutex_unlock(&Lock);
    if (sleepMs > 0) {
        struct timespec pause = {sleepMs / 1000, (sleepMs % 1000) * 1000000};
        nanosleep(&pause, NULL);
    }
    return result;
}

/* The path relative to the backing folder. */
static const char* Rel(const char* path) {
    return path[1] ? path + 1 : ".";
}

/* Where a new entry goes: its folder must be reachable too. */
static int EnterNew(const char* path) {
    char parent[PATH_MAX];
    snprintf(parent, sizeof parent, "%s", path);
    char* slash = strrchr(parent, '/');
    if (slash == parent)
        slash[1] = '\0';
    else if (slash)
        *slash = '\0';
    const int r = Enter(parent, 0);
    return r ? r : Enter(path, 0) == -EACCES ? -EACCES : 0;
}

/* New entries belong to whoever made them, as on a real disk. */
static void OwnByCaller(const char* path) {
    if (geteuid() != 0)
        return;
    const struct fuse_context* c = fuse_get_context();
    if (fchownat(Back, Rel(path), c->uid, c->gid, AT_SYMLINK_NOFOLLOW) != 0) {
        /* The entry stays the server's; nothing a test checks depends on it. */
    }
}

#define ENTER(path, examine)                                                                       \
    do {                                                                                           \
        const int entered = Enter(path, examine);                                                  \
        if (entered)                                                                               \
            return entered;                                                                        \
    } while (0)

#define RETURN_ERRNO(call) return (call) < 0 ? -errno : 0

static void* FsInit(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->use_ino = 1;
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->hard_remove = 1;
    return NULL;
}

static int Coarse(const char* path) {
    pthread_mutex_lock(&Lock);
    const int coarse = Find(COARSE, path) != NULL;
    pthread_mutex_unlock(&Lock);
    return coarse;
}

static int FsGetattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    ENTER(path, 1);
    if ((fi ? fstat((int)fi->fh, st) : fstatat(Back, Rel(path), st, AT_SYMLINK_NOFOLLOW)) != 0)
        return -errno;
    if (Coarse(path)) {
        st->st_atim.tv_nsec = 0;
        st->st_mtim.tv_nsec = 0;
        st->st_ctim.tv_nsec = 0;
    }
    return 0;
}

static int FsReadlink(const char* path, char* buffer, size_t size) {
    ENTER(path, 0);
    const ssize_t n = readlinkat(Back, Rel(path), buffer, size - 1);
    if (n < 0)
        return -errno;
    buffer[n] = '\0';
    return 0;
}

static int FsOpendir(const char* path, struct fuse_file_info* fi) {
    ENTER(path, 0);
    const int fd = openat(Back, Rel(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const int error = errno;
        close(fd);
        return -error;
    }
    fi->fh = (uint64_t)(uintptr_t)dir;
    return 0;
}

static int FsReaddir(const char* path, void* out, fuse_fill_dir_t fill, off_t offset,
                     struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)offset;
    (void)flags;
    ENTER(path, 0);
    DIR* dir = (DIR*)(uintptr_t)fi->fh;
    rewinddir(dir);
    errno = 0;
    struct dirent* e;
    while ((e = readdir(dir)) != NULL) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = e->d_ino;
        st.st_mode = (mode_t)(DTTOIF(e->d_type));
        if (fill(out, e->d_name, &st, 0, 0))
            break;
    }
    return errno ? -errno : 0;
}

static int FsReleasedir(const char* path, struct fuse_file_info* fi) {
    (void)path;
    closedir((DIR*)(uintptr_t)fi->fh);
    return 0;
}

static int FsMknod(const char* path, mode_t mode, dev_t rdev) {
    const int r = EnterNew(path);
    if (r)
        return r;
    if (mknodat(Back, Rel(path), mode, rdev) != 0)
        return -errno;
    OwnByCaller(path);
    return 0;
}

static int FsMkdir(const char* path, mode_t mode) {
    const int r = EnterNew(path);
    if (r)
        return r;
    if (mkdirat(Back, Rel(path), mode) != 0)
        return -errno;
    OwnByCaller(path);
    return 0;
}

static int FsUnlink(const char* path) {
    ENTER(path, 0);
    RETURN_ERRNO(unlinkat(Back, Rel(path), 0));
}

static int FsRmdir(const char* path) {
    ENTER(path, 0);
    RETURN_ERRNO(unlinkat(Back, Rel(path), AT_REMOVEDIR));
}

static int FsSymlink(const char* target, const char* path) {
    const int r = EnterNew(path);
    if (r)
        return r;
    if (symlinkat(target, Back, Rel(path)) != 0)
        return -errno;
    OwnByCaller(path);
    return 0;
}

static int FsRename(const char* from, const char* to, unsigned int flags) {
    ENTER(from, 0);
    const int r = EnterNew(to);
    if (r)
        return r;
    RETURN_ERRNO(renameat2(Back, Rel(from), Back, Rel(to), flags));
}

static int FsLink(const char* from, const char* to) {
    ENTER(from, 0);
    const int r = EnterNew(to);
    if (r)
        return r;
    RETURN_ERRNO(linkat(Back, Rel(from), Back, Rel(to), 0));
}

static int FsChmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    ENTER(path, 0);
    if (fi)
        RETURN_ERRNO(fchmod((int)fi->fh, mode));
    RETURN_ERRNO(fchmodat(Back, Rel(path), mode, 0));
}

static int FsChown(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* fi) {
    ENTER(path, 0);
    if (fi)
        RETURN_ERRNO(fchown((int)fi->fh, uid, gid));
    RETURN_ERRNO(fchownat(Back, Rel(path), uid, gid, AT_SYMLINK_NOFOLLOW));
}

static int FsTruncate(const char* path, off_t size, struct fuse_file_info* fi) {
    ENTER(path, 0);
    if (fi)
        RETURN_ERRNO(ftruncate((int)fi->fh, size));
    const int fd = openat(Back, Rel(path), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    const int r = ftruncate(fd, size) < 0 ? -errno : 0;
    close(fd);
    return r;
}

static int FsUtimens(const char* path, const struct timespec given[2], struct fuse_file_info* fi) {
    ENTER(path, 0);
    struct timespec tv[2] = {given[0], given[1]};
    for (int i = 0; i < 2 && Coarse(path); ++i) {
        if (tv[i].tv_nsec != UTIME_NOW && tv[i].tv_nsec != UTIME_OMIT)
            tv[i].tv_nsec = 0;
    }
    if (fi)
        RETURN_ERRNO(futimens((int)fi->fh, tv));
    RETURN_ERRNO(utimensat(Back, Rel(path), tv, AT_SYMLINK_NOFOLLOW));
}

/* Reads of a file with an eio rule bypass the kernel's cache, so that a
 * short read reaches the caller as it is and the next one fails. */
static void ChooseCaching(const char* path, struct fuse_file_info* fi) {
    pthread_mutex_lock(&Lock);
    fi->direct_io = Find(EIO_AFTER, path) != NULL;
    pthread_mutex_unlock(&Lock);
}

static int FsOpen(const char* path, struct fuse_file_info* fi) {
    ENTER(path, 0);
    const int fd = openat(Back, Rel(path), fi->flags | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    ChooseCaching(path, fi);
    return 0;
}

static int FsCreate(const char* path, mode_t mode, struct fuse_file_info* fi) {
    const int r = EnterNew(path);
    if (r)
        return r;
    const int fd = openat(Back, Rel(path), fi->flags | O_CREAT | O_CLOEXEC, mode);
    if (fd < 0)
        return -errno;
    OwnByCaller(path);
    fi->fh = (uint64_t)fd;
    ChooseCaching(path, fi);
    return 0;
}

static int FsRead(const char* path, char* buffer, size_t size, off_t offset,
                  struct fuse_file_info* fi) {
    ENTER(path, 0);
    pthread_mutex_lock(&Lock);
    const struct Rule* broken = Find(EIO_AFTER, path);
    const long long limit = broken ? broken->n : -1;
    pthread_mutex_unlock(&Lock);
    if (limit >= 0) {
        if (offset >= limit)
            return -EIO;
        if ((long long)(offset + (off_t)size) > limit)
            size = (size_t)(limit - offset);
    }
    const ssize_t n = pread((int)fi->fh, buffer, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int FsWrite(const char* path, const char* buffer, size_t size, off_t offset,
                   struct fuse_file_info* fi) {
    ENTER(path, 0);
    pthread_mutex_lock(&Lock);
    struct Rule* full = Find(ENOSPC_AFTER, path);
    if (full) {
        const long long room = full->n - full->used;
        if (room <= 0) {
            pthread_mutex_unlock(&Lock);
            return -ENOSPC;
        }
        if ((long long)size > room)
            size = (size_t)room;
        full->used += (long long)size;
    }
    pthread_mutex_unlock(&Lock);
    const ssize_t n = pwrite((int)fi->fh, buffer, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int FsStatfs(const char* path, struct statvfs* st) {
    ENTER(path, 0);
    RETURN_ERRNO(fstatvfs(Back, st));
}

static int FsRelease(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int FsFsync(const char* path, int dataOnly, struct fuse_file_info* fi) {
    ENTER(path, 0);
    RETURN_ERRNO(dataOnly ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
}

/* Extended attributes through the backing folder's descriptor. */
static void XattrPath(const char* path, char* out, size_t size) {
    snprintf(out, size, "/proc/self/fd/%d/%s", Back, Rel(path));
}

static int FsSetxattr(const char* path, const char* name, const char* value, size_t size,
                      int flags) {
    ENTER(path, 0);
    char full[PATH_MAX + 32];
    XattrPath(path, full, sizeof full);
    RETURN_ERRNO(lsetxattr(full, name, value, size, flags));
}

static int FsGetxattr(const char* path, const char* name, char* value, size_t size) {
    ENTER(path, 0);
    char full[PATH_MAX + 32];
    XattrPath(path, full, sizeof full);
    const ssize_t n = lgetxattr(full, name, value, size);
    return n < 0 ? -errno : (int)n;
}

static int FsListxattr(const char* path, char* list, size_t size) {
    ENTER(path, 0);
    char full[PATH_MAX + 32];
    XattrPath(path, full, sizeof full);
    const ssize_t n = llistxattr(full, list, size);
    return n < 0 ? -errno : (int)n;
}

static int FsRemovexattr(const char* path, const char* name) {
    ENTER(path, 0);
    char full[PATH_MAX + 32];
    XattrPath(path, full, sizeof full);
    RETURN_ERRNO(lremovexattr(full, name));
}

static const struct fuse_operations Operations = {
    .getattr = FsGetattr,
    .readlink = FsReadlink,
    .mknod = FsMknod,
    .mkdir = FsMkdir,
    .unlink = FsUnlink,
    .rmdir = FsRmdir,
    .symlink = FsSymlink,
    .rename = FsRename,
    .link = FsLink,
    .chmod = FsChmod,
    .chown = FsChown,
    .truncate = FsTruncate,
    .open = FsOpen,
    .read = FsRead,
    .write = FsWrite,
    .statfs = FsStatfs,
    .release = FsRelease,
    .fsync = FsFsync,
    .setxattr = FsSetxattr,
    .getxattr = FsGetxattr,
    .listxattr = FsListxattr,
    .removexattr = FsRemovexattr,
    .opendir = FsOpendir,
    .readdir = FsReaddir,
    .releasedir = FsReleasedir,
    .init = FsInit,
    .create = FsCreate,
    .utimens = FsUtimens,
};

static int Usage(void) {
    fprintf(stderr, "usage: faultfs [--rules FILE] [-r RULE]... BACKING MOUNTPOINT\n");
    return 2;
}

int main(int argc, char** argv) {
    const char* backing = NULL;
    const char* mountPoint = NULL;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--rules") == 0 && i + 1 < argc) {
            RulesFile = argv[++i];
        } else if (strcmp(argv[i], "-r") == 0 && i + 1 < argc) {
            if (RuleCount >= MAX_RULES || !ParseRule(argv[++i], &Rules[RuleCount])) {
                fprintf(stderr, "faultfs: bad rule \"%s\"\n", argv[i]);
                return 2;
            }
            ++RuleCount;
        } else if (!backing) {
            backing = argv[i];
        } else if (!mountPoint) {
            mountPoint = argv[i];
        } else {
            return Usage();
        }
    }
    if (!backing || !mountPoint)
        return Usage();
    FixedCount = RuleCount;
    Back = open(backing, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Back < 0) {
        perror(backing);
        return 1;
    }
    /* Files are made with the modes asked for, as on a real disk. */
    umask(0);
    /* The rules file is read after the server has left the current folder. */
    static char rulesPath[PATH_MAX];
    if (RulesFile && realpath(RulesFile, rulesPath))
        RulesFile = rulesPath;

    char* fuseArgv[] = {argv[0], "-o", "fsname=faultfs,subtype=faultfs", NULL};
    struct fuse_args args = FUSE_ARGS_INIT(3, fuseArgv);
    struct fuse* fuse = fuse_new(&args, &Operations, sizeof Operations, NULL);
    if (!fuse)
        return 1;
    if (fuse_mount(fuse, mountPoint) != 0) {
        fuse_destroy(fuse);
        return 1;
    }
    struct fuse_session* session = fuse_get_session(fuse);
    fuse_set_signal_handlers(session);
    /* Many calls may hang at once (one per hung folder a scan meets), and
     * the others must still be answered. */
    struct fuse_loop_config* loop = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(loop, 256);
    const int result = fuse_loop_mt(fuse, loop);
    fuse_loop_cfg_destroy(loop);
    fuse_remove_signal_handlers(session);
    fuse_unmount(fuse);
    fuse_destroy(fuse);
    fuse_opt_free_args(&args);
    return result ? 1 : 0;
}
