;;; emacs-eglot.el --- eglot against the real server  -*- lexical-binding: t; -*-
;; Run in a scratch copy of a mod (see emacs.sh) with zunt on PATH, after
;; what sets up the modes and eglot's entry (zunt-mode, or the README's
;; lines); writes what it saw to "result": the diagnostics, a hover,
;; definitions and a quick fix applied.
(require 'eglot)
(setq eglot-sync-connect t)
;; The scratch mod has no version control: take its folder as the project.
(add-hook 'project-find-functions (lambda (dir) (cons 'transient dir)))
(defvar zunt-test-out nil)
(defun zunt-test-note (format-string &rest args)
  (push (apply #'format format-string args) zunt-test-out))
(defun zunt-test-wait (what predicate)
  (with-timeout (20 (zunt-test-note "timed out waiting for %s" what))
    (while (not (funcall predicate))
      (accept-process-output nil 0.05))))

(find-file "quest.erm")
(zunt-test-note "%s" major-mode)
(call-interactively #'eglot)
(zunt-test-wait "diagnostics" #'flymake-diagnostics)
(dolist (d (flymake-diagnostics))
  (zunt-test-note "%d|%s|%s|%s" (line-number-at-pos (flymake-diagnostic-beg d))
                  (buffer-substring (flymake-diagnostic-beg d) (flymake-diagnostic-end d))
                  (flymake-diagnostic-type d) (flymake-diagnostic-text d)))

;; On HERO in "!!VR$HERO$:S(START);": its value.
(goto-char (point-min))
(search-forward "$HERO$")
(backward-char 3)
(defmacro zunt-test-try (what &rest body)
  "Runs BODY; an error becomes a line of the result rather than the end."
  `(condition-case err (progn ,@body) (error (zunt-test-note "%s failed: %S" ,what err))))
(zunt-test-try "hover"
  (let ((hover (jsonrpc-request (eglot--current-server-or-lose) :textDocument/hover
                                (eglot--TextDocumentPositionParams))))
    (zunt-test-note "hover mentions y100: %s"
                    (and (string-match-p "y100" (format "%S" (plist-get hover :contents))) t))))
;; Definition, as M-. jumps: from HERO, and from the Cyrillic constant in
;; "!!IF:M^(привет)^;", to their lines in quest.txt, read as Windows-1251.
(dolist (probe '("$HERO$" "(привет)"))
  (zunt-test-try "definition"
    (switch-to-buffer (find-buffer-visiting "quest.erm"))
    (goto-char (point-min))
    (search-forward probe)
    (backward-char 3)
    (xref-find-definitions (xref-backend-identifier-at-point (xref-find-backend)))
    (zunt-test-note "definition %s: %s:%d:%d %s %s" probe (buffer-name) (line-number-at-pos)
                    (current-column) (buffer-substring (point) (line-end-position))
                    buffer-file-coding-system)))
;; The quick fix for $NOPE$ declares it in quest.txt, open and then saved.
(zunt-test-try "quick fix"
  (switch-to-buffer (find-buffer-visiting "quest.erm"))
  (let* ((d (seq-find (lambda (d) (string-match-p "NOPE" (flymake-diagnostic-text d)))
                      (flymake-diagnostics)))
         (range (list :start (eglot--pos-to-lsp-position (flymake-diagnostic-beg d))
                      :end (eglot--pos-to-lsp-position (flymake-diagnostic-end d))))
         (diagnostic (alist-get 'eglot-lsp-diag (flymake-diagnostic-data d)))
         (actions (jsonrpc-request (eglot--current-server-or-lose) :textDocument/codeAction
                                   (list :textDocument (eglot--TextDocumentIdentifier) :range range
                                         :context (list :diagnostics (vector diagnostic))))))
    (eglot--apply-workspace-edit (plist-get (aref actions 0) :edit))
    (with-current-buffer (find-buffer-visiting "quest.txt") (save-buffer))
    (zunt-test-note "quick fix: %s" (plist-get (aref actions 0) :title))))

;; M-x eglot-shutdown sends shutdown and exit with null params; emacs 28's
;; jsonrpc then deletes the process at once, whatever it would do. Its two
;; messages are sent here as it sends them, and the server left to end.
(zunt-test-try "shutdown"
  (let* ((server (eglot--current-server-or-lose))
         (process (jsonrpc--process server)))
    (setf (eglot--shutdown-requested server) t)
    (zunt-test-note "shutdown: %S" (jsonrpc-request server :shutdown nil :timeout 5))
    (jsonrpc-notify server :exit nil)
    (zunt-test-wait "the server's end" (lambda () (not (process-live-p process))))
    (zunt-test-note "exit: %s %s" (process-status process) (process-exit-status process))
    (jsonrpc-shutdown server t)))
(with-temp-file "result"
  (insert (mapconcat #'identity (nreverse zunt-test-out) "\n") "\n"))
(kill-emacs 0)
