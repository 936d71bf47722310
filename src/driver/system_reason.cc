#include "driver/system_reason.h"

#include <cerrno>
#include <cstring>

#include "base/cp1251.h"

namespace zunt {

std::string SystemReason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return Win1251("нет прав на запись");
    case ENOENT:
    case ENOTDIR:
      return Win1251("нет такой папки");
    case EISDIR:
      return Win1251("это папка");
    case EROFS:
      return Win1251("файловая система только для чтения");
    case ENOSPC:
      return Win1251("на диске нет места");
#ifdef EDQUOT
    case EDQUOT:
      return Win1251("превышена дисковая квота");
#endif
    case EFBIG:
      return Win1251("файл больше, чем разрешено");
    case ENAMETOOLONG:
      return Win1251("слишком длинное имя файла");
    case ELOOP:
      return Win1251("слишком много символических ссылок");
    case EBUSY:
      return Win1251("файл занят другой программой");
    case ENXIO:
      return Win1251("никто не читает из канала");
  }
  // Words of the C locale: ASCII, the same in Windows-1251.
  return std::strerror(error);
}

}  // namespace zunt
