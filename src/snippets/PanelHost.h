#pragma once

namespace halvora::snippets {

class ReplyTemplatePrompt;
class SnippetPickerPanel;

/// How a panel leaves the screen.
enum class PanelDismissal {
    /// The program closes the panel (an outcome was reported, or its model
    /// went away).
    close,
    /// The user closed the window; it is already on its way out and must not
    /// be closed again.
    alreadyClosed,
};

/// Shows the two floating panels of the core, the template prompt and the
/// snippet picker, whose models live in the core and are drawn by the
/// desktop. Owners keep their models (the keyboard controller its prompt,
/// the shell its picker); the host only points at a model while its panel is
/// on screen.
///
/// A model that finishes, or is destroyed while still shown, dismisses
/// itself, so the host never keeps a dangling pointer. The host reports the
/// user's actions to the presented model (typing, buttons, keys, and the
/// window being closed, which the model treats as cancel).
class PanelHost {
  public:
    virtual ~PanelHost() = default;

    /// Brings this program to the front and shows the model's panel as the
    /// key window. A finished model is not shown; a model shown by another
    /// host moves here.
    void present(ReplyTemplatePrompt& prompt);
    void present(SnippetPickerPanel& picker);

    /// Takes the panel off the screen and forgets the model; nothing when
    /// this host does not show it. Reports no outcome.
    void dismiss(ReplyTemplatePrompt& prompt, PanelDismissal how = PanelDismissal::close);
    void dismiss(SnippetPickerPanel& picker, PanelDismissal how = PanelDismissal::close);

  protected:
    // Implementations put the panel on and off the screen. `hide` must not
    // report anything to the model: it may be running inside the model's
    // outcome or destructor.
    virtual void show(ReplyTemplatePrompt& prompt) = 0;
    virtual void hide(ReplyTemplatePrompt& prompt, PanelDismissal how) = 0;
    virtual void show(SnippetPickerPanel& picker) = 0;
    virtual void hide(SnippetPickerPanel& picker, PanelDismissal how) = 0;
};

}  // namespace halvora::snippets
