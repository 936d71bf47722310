;;; emacs-mod.el --- one eglot server for a mod without git  -*- lexical-binding: t; -*-
;; Run in the mod's src/ (see emacs.sh) with zunt on PATH and zunt-mode
;; loaded, and nothing telling eglot where the project is: M-. from the
;; script to the mod's shared declarations, which the same server then
;; manages (diagnostics), the mod's map of variables, and a clean
;; eglot-shutdown. Writes "result".
(require 'eglot)
(setq eglot-sync-connect t)
(defvar zunt-test-out nil)
(defvar zunt-test-result (expand-file-name "result"))
(defun zunt-test-note (format-string &rest args)
  (push (apply #'format format-string args) zunt-test-out))
(defun zunt-test-wait (what predicate)
  (with-timeout (20 (zunt-test-note "timed out waiting for %s" what))
    (while (not (funcall predicate))
      ;; Flymake starts once the buffer is shown after a command: batch has neither.
      (when (bound-and-true-p flymake-mode) (flymake-start))
      (accept-process-output nil 0.2))))

(condition-case err
    (progn
      (find-file "heroes.erm")
      (call-interactively #'eglot)
      (let ((server (eglot-current-server)))
        (zunt-test-note "project: %s" (file-name-nondirectory
                                       (directory-file-name (project-root (eglot--project server)))))
        (search-forward "$HERO$")
        (backward-char 3)
        (xref-find-definitions (xref-backend-identifier-at-point (xref-find-backend)))
        (zunt-test-note "definition: %s:%d %s" (buffer-name) (line-number-at-pos)
                        (buffer-substring (line-beginning-position) (line-end-position)))
        (zunt-test-note "same server: %s" (eq (eglot-current-server) server))
        (zunt-test-wait "diagnostics of common.txt" #'flymake-diagnostics)
        (dolist (d (flymake-diagnostics))
          (zunt-test-note "%d|%s|%s" (line-number-at-pos (flymake-diagnostic-beg d))
                          (flymake-diagnostic-type d) (flymake-diagnostic-text d)))
        ;; M-x zunt-variables: the mod's map, read-only, beside.
        (with-current-buffer (zunt-variables)
          (zunt-test-note "variables: %s read-only %s"
                          (buffer-substring (point-min) (line-end-position)) buffer-read-only))
        (eglot-shutdown server)
        (zunt-test-note "shut down: running %s" (jsonrpc-running-p server))))
  (error (zunt-test-note "failed: %S" err)))
(with-temp-file zunt-test-result
  (insert (mapconcat #'identity (nreverse zunt-test-out) "\n") "\n"))
(kill-emacs 0)
