-- The zunt language server for script and declarations buffers: one client
-- per project folder (the folder of the nearest zunt.toml, else the file's).
-- neovim 0.8 and later start it with vim.lsp.start; 0.7 with start_client
-- and buf_attach_client.
local M = {}
local clients = {} -- root folder -> client id (0.7)

local function root_dir(file)
  local toml = vim.fn['zunt#project'](vim.fn.fnamemodify(file, ':h'))
  if toml ~= '' then
    return vim.fn.fnamemodify(toml, ':h')
  end
  return vim.fn.fnamemodify(file, ':p:h')
end

-- The buffer's completion, Ctrl-] and K through the server, where the user
-- has set none of them.
local function map_keys(buf)
  if vim.bo[buf].omnifunc == '' then
    vim.bo[buf].omnifunc = 'v:lua.vim.lsp.omnifunc'
  end
  if vim.bo[buf].tagfunc == '' then
    vim.bo[buf].tagfunc = 'v:lua.vim.lsp.tagfunc'
  end
  if vim.fn.maparg('K', 'n') == '' then
    vim.keymap.set('n', 'K', vim.lsp.buf.hover, { buffer = buf, desc = 'zunt: hover' })
  end
end

--- Starts the server for the current buffer, or attaches it to a running one.
function M.attach()
  local buf = vim.api.nvim_get_current_buf()
  local program = vim.g.zunt_program or 'zunt'
  local file = vim.api.nvim_buf_get_name(buf)
  if file == '' or vim.fn.executable(program) ~= 1 then
    return
  end
  local config = { name = 'zunt', cmd = { program, '--lsp' }, root_dir = root_dir(file) }
  map_keys(buf)
  if vim.lsp.start then
    vim.lsp.start(config)
    return
  end
  local id = clients[config.root_dir]
  if not id or not vim.lsp.get_client_by_id(id) then
    id = vim.lsp.start_client(config)
    clients[config.root_dir] = id
  end
  if id then
    vim.lsp.buf_attach_client(buf, id)
  end
end

-- Shows a text of the server's in a read-only scratch buffer in a new window
-- beside, named `name`; its lines as they are.
local function show_beside(name, text)
  vim.cmd('vnew')
  local buf = vim.api.nvim_get_current_buf()
  vim.bo[buf].buftype = 'nofile'
  vim.bo[buf].bufhidden = 'wipe'
  vim.bo[buf].swapfile = false
  pcall(vim.api.nvim_buf_set_name, buf, name)
  vim.api.nvim_buf_set_lines(buf, 0, -1, false, vim.split(text, '\n', { plain = true }))
  vim.bo[buf].modifiable = false
  vim.bo[buf].readonly = true
end

--- Shows the map of the variables of the current file's mod (:ZuntVariables).
function M.variables()
  local buf = vim.api.nvim_get_current_buf()
  local params = { command = 'zunt.variables', arguments = { vim.uri_from_bufnr(buf) } }
  vim.lsp.buf_request(buf, 'workspace/executeCommand', params, function(err, result)
    if err or type(result) ~= 'table' or type(result.text) ~= 'string' then
      vim.notify('zunt: ' .. (err and err.message or 'the server gave no map'), vim.log.levels.ERROR)
      return
    end
    show_beside('zunt://variables', result.text)
  end)
end

return M
