;;; zunt-mode.el --- Event scripts (.erm) and their declarations files  -*- lexical-binding: t; -*-

;; Version: 1.0.0
;; Package-Requires: ((emacs "26.1"))
;; Keywords: languages

;;; Commentary:

;; Two major modes: `zunt-script-mode' for scripts (.erm) and
;; `zunt-declarations-mode' for declarations files (a .txt with a .erm of
;; the same name beside it, or one that the nearest zunt.toml includes).
;; Both files are read and written as Windows-1251.  M-x compile runs zunt
;; on the file's script, and the compilation buffer jumps to each message at
;; the character it names.  With eglot, M-x eglot starts `zunt --lsp'.
;;
;; In a mod, the project is the folder of its zunt.toml: every file of the
;; mod is managed by one server.
;;
;; Install: put this file on `load-path' and add (require 'zunt-mode).

;;; Code:

(require 'compile)

(defgroup zunt nil
  "Event scripts with named variables and text constants."
  :group 'languages)

(defcustom zunt-program "zunt"
  "The zunt program, for M-x compile and the language server."
  :type 'string)

;;;; Which file is what

(defun zunt--project (dir)
  "The nearest zunt.toml in DIR or a parent, or nil."
  (let ((root (locate-dominating-file dir "zunt.toml")))
    (and root (expand-file-name "zunt.toml" root))))

(defun zunt--includes (toml)
  "The strings of the top-level include = [...] array in the file TOML."
  (with-temp-buffer
    (insert-file-contents toml)
    (goto-char (point-min))
    (let (result)
      (when (re-search-forward "^[ \t]*include[ \t]*=[ \t]*\\[" nil t)
        (while (progn
                 (skip-chars-forward " \t\r\n,")
                 (while (looking-at "#.*")
                   (goto-char (match-end 0))
                   (skip-chars-forward " \t\r\n,"))
                 (looking-at "\"\\(\\(?:[^\"\\\n]\\|\\\\.\\)*\\)\"\\|'\\([^'\n]*\\)'"))
          (push (if (match-beginning 1)
                    (replace-regexp-in-string "\\\\\\(.\\)" "\\1" (match-string 1))
                  (match-string 2))
                result)
          (goto-char (match-end 0))))
      (nreverse result))))

(defun zunt-include-p (file)
  "True when the nearest zunt.toml includes FILE."
  (let ((toml (zunt--project (file-name-directory (expand-file-name file)))))
    (and toml
         (member (expand-file-name file)
                 (mapcar (lambda (include)
                           (expand-file-name include (file-name-directory toml)))
                         (zunt--includes toml)))
         t)))

(defun zunt-declarations-file-p (file)
  "True when FILE is a declarations file: a .txt beside a script of the
same name, or one that the nearest zunt.toml includes."
  (when (and file (string-match-p "\\.[tT][xX][tT]\\'" file))
    (let ((base (file-name-sans-extension (expand-file-name file))))
      (or (file-exists-p (concat base ".erm"))
          (file-exists-p (concat base ".ERM"))
          (zunt-include-p file)))))

(defun zunt--declarations-coding (arguments)
  "Windows-1251 for a declarations file.
ARGUMENTS are those that `file-coding-system-alist' passes."
  (let ((file (nth 1 arguments)))
    (when (consp file) (setq file (car file)))
    (and (stringp file) (zunt-declarations-file-p file) 'windows-1251)))

(modify-coding-system-alist 'file "\\.[eE][rR][mM]\\'" 'windows-1251)
(modify-coding-system-alist 'file "\\.[tT][xX][tT]\\'" #'zunt--declarations-coding)

(defun zunt--declarations-buffer-p ()
  "True in a buffer that visits a declarations file."
  (zunt-declarations-file-p buffer-file-name))

;;;; Highlighting

(defconst zunt--reference-keywords
  '(("\\$\\$\\|@@\\|()" 0 font-lock-warning-face t)
    ("\\(\\$\\)\\([^$[\n]+\\)\\(\\[[^]\n]*\\]\\)?[^$\n]*\\(\\$\\)"
     (2 font-lock-variable-name-face t) (3 font-lock-constant-face t t))
    ("\\(@\\)\\([^@[\n]+\\)\\(\\[[^]\n]*\\]\\)?[^@\n]*\\(@\\)"
     (2 font-lock-variable-name-face t) (3 font-lock-constant-face t t))
    ("(\\([^)\n]+\\))" 1 font-lock-constant-face t))
  "References: $NAME$, @NAME@ (with an index) and (NAME).")

(defconst zunt-script-font-lock-keywords
  (append
   '(("^[ \t]*;.*" 0 font-lock-comment-face)
     ("!\\(?:!\\|\\?\\|#\\)[A-Za-z][A-Za-z]" 0 font-lock-keyword-face)
     ("\\^[^^]*\\^" 0 font-lock-string-face)
     ("~~" 0 font-lock-builtin-face)
     ("\\(~\\)\\([^=~\n]*\\)=" (2 font-lock-variable-name-face))
     ("`" 0 font-lock-preprocessor-face))
   zunt--reference-keywords)
  "Highlighting of scripts: comment lines, receivers, ^strings^, locals,
~~, back-quotes and references (which count inside comments and strings too).")

(defconst zunt-declarations-font-lock-keywords
  '(("^\\([^ \t\n;(=[][^=[\n]*?\\)[ \t]*\\(\\[[^]\n]*\\]\\)?[ \t]*=[ \t]*\\([^;\n]*\\)"
     (1 font-lock-variable-name-face) (2 font-lock-comment-face nil t) (3 font-lock-constant-face))
    ("^\\((\\)\\([^)\n]*\\))[ \t]*=" (2 font-lock-constant-face)))
  "Highlighting of declarations: variable names and values, constant names.")

(defvar zunt-declarations-mode-syntax-table
  (let ((table (make-syntax-table)))
    (modify-syntax-entry ?\; "<" table)
    (modify-syntax-entry ?\n ">" table)
    (modify-syntax-entry ?\' "\"" table)
    (modify-syntax-entry ?\" "." table)
    table)
  "Declarations: ; comments to the end of the line, 'text' constants over lines.")

(defvar zunt-script-mode-syntax-table
  (let ((table (make-syntax-table)))
    (modify-syntax-entry ?\" "." table)
    (modify-syntax-entry ?\' "." table)
    table)
  "Scripts: comments and strings are found by font-lock, not by syntax.")

;;;; Both modes

(defun zunt--common-setup ()
  "What both modes set: comments, compile, columns, new files' encoding."
  (setq-local comment-start "; ")
  (setq-local comment-start-skip ";+[ \t]*")
  ;; zunt counts a message's column in characters, a tab as one.
  (setq-local compilation-error-screen-columns nil)
  (when buffer-file-name
    ;; A declarations file that the mod includes builds the whole mod.
    (setq-local compile-command
                (if (and (derived-mode-p 'zunt-declarations-mode)
                         (zunt-include-p buffer-file-name))
                    zunt-program
                  (concat zunt-program " -- "
                          (shell-quote-argument (file-name-base buffer-file-name)))))
    (unless (file-exists-p buffer-file-name)
      (set-buffer-file-coding-system 'windows-1251-dos))))

;;;###autoload
(define-derived-mode zunt-script-mode prog-mode "zunt"
  "Major mode for event scripts (.erm)."
  (setq-local font-lock-defaults '(zunt-script-font-lock-keywords t))
  (zunt--common-setup))

;;;###autoload
(define-derived-mode zunt-declarations-mode prog-mode "zunt-decl"
  "Major mode for declarations files (.txt)."
  (setq-local font-lock-defaults '(zunt-declarations-font-lock-keywords))
  (zunt--common-setup))

;;;###autoload
(add-to-list 'auto-mode-alist '("\\.[eE][rR][mM]\\'" . zunt-script-mode))
;;;###autoload
(add-to-list 'magic-mode-alist '(zunt--declarations-buffer-p . zunt-declarations-mode))

;;;; M-x compile: "file:line:column: error: ..." and "file: error: ..."

(dolist (rule '((zunt
                 "^\\([^:\n]+\\):\\([0-9]+\\):\\([0-9]+\\): \\(?:error\\|\\(warning\\)\\|\\(note\\)\\): "
                 1 2 3 (4 . 5))
                (zunt-file
                 "^\\([^:\n]*\\.[^:\n ]*\\): \\(?:error\\|\\(warning\\)\\): "
                 1 nil nil (2))))
  (setf (alist-get (car rule) compilation-error-regexp-alist-alist) (cdr rule))
  (add-to-list 'compilation-error-regexp-alist (car rule)))

;;;; The language server

(defun zunt-project (dir)
  "The mod of DIR for a script or declarations buffer: the folder of the
nearest zunt.toml, as a transient project, so that one server manages every
file of the mod (version control or not); nil elsewhere."
  (let ((toml (and (derived-mode-p 'zunt-script-mode 'zunt-declarations-mode)
                   (zunt--project dir))))
    (and toml (cons 'transient (file-name-directory toml)))))

(with-eval-after-load 'project
  (add-hook 'project-find-functions #'zunt-project))

(defun zunt--server-command (&optional _interactive)
  "The command line of the language server."
  (list zunt-program "--lsp"))

(with-eval-after-load 'eglot
  (defvar eglot-server-programs)
  (add-to-list 'eglot-server-programs
               '((zunt-script-mode zunt-declarations-mode) . zunt--server-command)))

(declare-function eglot--current-server-or-lose "eglot")
(declare-function eglot--path-to-uri "eglot")
(declare-function jsonrpc-request "jsonrpc")

(defun zunt-variables ()
  "Show the map of the variables of the current file's mod, as
`zunt --vars' prints it, in a read-only buffer beside."
  (interactive)
  (require 'eglot)
  (let* ((uri (eglot--path-to-uri (or buffer-file-name (error "The buffer has no file"))))
         (result (jsonrpc-request (eglot--current-server-or-lose) :workspace/executeCommand
                                  (list :command "zunt.variables" :arguments (vector uri))))
         (text (plist-get result :text))
         (buffer (get-buffer-create "*zunt variables*")))
    (unless (stringp text) (error "The server gave no map"))
    (with-current-buffer buffer
      (let ((inhibit-read-only t))
        (erase-buffer)
        (insert text))
      (goto-char (point-min))
      (special-mode))
    (display-buffer buffer '(display-buffer-pop-up-window))
    buffer))

(provide 'zunt-mode)
;;; zunt-mode.el ends here
