;;; emacs-mode.el --- zunt-mode as a user loads it: modes, encodings, faces, M-x compile  -*- lexical-binding: t; -*-
;; Run in a scratch copy of a mod (see emacs.sh); writes what it saw to "result".
(require 'zunt-mode)
(defvar zunt-test-out nil)
(defun zunt-test-note (format-string &rest args)
  (push (apply #'format format-string args) zunt-test-out))

;; Each file opened, one line added, saved.
(dolist (file '("quest.erm" "quest.txt" "readme.erm" "common.txt" "notes.txt" "new.erm" "new.txt" "other.txt"))
  (with-current-buffer (find-file-noselect file)
    (zunt-test-note "%s|%s|%s|%s" file major-mode buffer-file-coding-system
                    (buffer-substring (point-min) (line-end-position)))
    (goto-char (point-max))
    (insert "ещё\n")
    (save-buffer)
    (kill-buffer)))

;; The face at the n-th character of the first TEXT after the start of LINE.
(defun zunt-test-face (line text n)
  (goto-char (point-min))
  (forward-line (1- line))
  (search-forward text (line-end-position))
  (let ((face (get-text-property (+ (match-beginning 0) n) 'face)))
    (zunt-test-note "%d %s %s" line text face)))

(with-current-buffer (find-file-noselect "quest.erm")
  (font-lock-ensure)
  (dolist (probe '((2 "Герой" 0) (4 "!!VR" 0) (4 "$HERO$" 1) (4 "(START)" 1) (5 "[1]" 0)
                   (7 "(привет)" 1) (10 "TMP" 0) (12 "~~" 0) (16 "`" 0) (16 "$HERO[3]$" 1)))
    (apply #'zunt-test-face probe))
  (kill-buffer))
(with-current-buffer (find-file-noselect "quest.txt")
  (font-lock-ensure)
  (dolist (probe '((1 "Объявления" 0) (3 "HERO" 0) (3 "y100" 0) (6 "[10]" 0) (8 "ПРИВЕТ" 0)
                   (8 "Здравствуй" 0) (10 "вторая" 0)))
    (apply #'zunt-test-face probe))
  (kill-buffer))

;; M-x compile with the mode's command, then the first message's place.
(defun zunt-test-compile (file)
  (with-current-buffer (find-file-noselect file)
    (let ((buffer (compile compile-command)))
      ;; Done when the sentinel has written its last line, after all the output.
      (with-timeout (30 (error "compile did not finish"))
        (while (not (with-current-buffer buffer
                      (save-excursion
                        (goto-char (point-min))
                        (re-search-forward "^Compilation \\(finished\\|exited\\)" nil t))))
          (accept-process-output nil 0.1)))
      (with-current-buffer buffer (goto-char (point-min)))
      (next-error)
      (zunt-test-note "%s %s: %s|%d|%S" file compile-command (buffer-name) (line-number-at-pos)
                      (buffer-substring (point) (line-end-position))))))
(zunt-test-compile "../other/bad.erm")
(zunt-test-compile "../other/empty.txt")

(with-temp-file "result"
  (insert (mapconcat #'identity (nreverse zunt-test-out) "\n") "\n"))
